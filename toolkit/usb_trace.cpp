#include "toolkit/usb_trace.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "protocol/device.h"
#include "text/hex.h"
#include "text/plural.h"

namespace brixel::toolkit {
namespace {

constexpr int failure = 1;

UsbTrace* active = nullptr;

std::string handleText(void* handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%#zx", static_cast<std::size_t>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}

std::string bytesText(const void* buffer, uint32_t length) {
    if (!buffer || length == 0) return "";
    return " " + text::hexBytes(std::span(static_cast<const uint8_t*>(buffer), length), " ");
}

std::string quoted(const char* buffer) {
    if (!buffer) return "\"\"";
    std::string text = "\"";
    for (std::size_t i = 0; i < protocol::serialBufferSize && buffer[i]; ++i) {
        const auto c = static_cast<unsigned char>(buffer[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text += static_cast<char>(c);
        } else {
            text += "\\x" + text::hexByte(c);
        }
    }
    return text + "\"";
}

}  // namespace

UsbTrace::UsbTrace(const BRIXEL_USB_LAYER& inner, Sink sink) : inner_(inner), sink_(std::move(sink)) { active = this; }

UsbTrace::~UsbTrace() {
    flush();
    if (active == this) active = nullptr;
}

const BRIXEL_USB_LAYER& UsbTrace::layer() const {
    static const BRIXEL_USB_LAYER table{getNumDevices, getProductString, open,        close,       read,
                                        write,         flushBuffers,     setTimeouts, getTimeouts, checkRxQueue};
    return table;
}

double UsbTrace::msSinceBegin(Clock::time_point t) const {
    return std::chrono::duration<double, std::milli>(t - begin_).count();
}

void UsbTrace::flush() {
    if (runRepeats_ == 0) return;
    char line[160];
    std::snprintf(line, sizeof line, "usb %+10.3f ms   ... the same %u more times, until %+.3f ms",
                  msSinceBegin(runFirst_), runRepeats_, msSinceBegin(runLast_));
    runRepeats_ = 0;
    // The library calls through plain function pointers: nothing is thrown back into it.
    try {
        sink_(line);
    } catch (...) {
    }
}

void UsbTrace::record(Clock::time_point start, const std::string& call, int status, const std::string& outcome) {
    const auto end = Clock::now();
    try {
        std::string text = call + " -> " + std::to_string(status) + (status == 0 ? "" : " (failed)") + outcome;
        if (text == runText_) {
            if (runRepeats_++ == 0) runFirst_ = start;
            runLast_ = start;
            return;
        }
        flush();
        char timing[64];
        std::snprintf(timing, sizeof timing, "usb %+10.3f ms ", msSinceBegin(start));
        char took[48];
        std::snprintf(took, sizeof took, "  [%.3f ms]", std::chrono::duration<double, std::milli>(end - start).count());
        sink_(timing + text + took);
        runText_ = std::move(text);
    } catch (...) {
    }
}

int UsbTrace::getNumDevices(uint32_t* count) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.getNumDevices(count);
    active->record(start, "getNumDevices()", status,
                   status == 0 && count ? ": " + text::counted(*count, "device") : "");
    return status;
}

int UsbTrace::getProductString(uint32_t index, char* buffer, uint32_t flags) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.getProductString(index, buffer, flags);
    active->record(start, "getProductString(" + std::to_string(index) + ", flags " + std::to_string(flags) + ")",
                   status, status == 0 ? ": " + quoted(buffer) : "");
    return status;
}

int UsbTrace::open(uint32_t index, void** handle) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.open(index, handle);
    active->record(start, "open(" + std::to_string(index) + ")", status,
                   status == 0 && handle ? ": handle " + handleText(*handle) : "");
    return status;
}

int UsbTrace::close(void* handle) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.close(handle);
    active->record(start, "close(" + handleText(handle) + ")", status, "");
    return status;
}

int UsbTrace::read(void* handle, void* buffer, uint32_t wanted, uint32_t* got, void* overlapped) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.read(handle, buffer, wanted, got, overlapped);
    const uint32_t n = got ? std::min(*got, wanted) : 0;
    active->record(start, "read(" + handleText(handle) + ", " + std::to_string(wanted) + " bytes)", status,
                   ": " + text::counted(n, "byte") + bytesText(buffer, n));
    return status;
}

int UsbTrace::write(void* handle, void* buffer, uint32_t length, uint32_t* written, void* overlapped) {
    if (!active) return failure;
    const auto start = Clock::now();
    // What was asked to go out, before the layer may touch the buffer.
    const std::string frame = text::counted(length, "byte") + bytesText(buffer, length);
    const int status = active->inner_.write(handle, buffer, length, written, overlapped);
    active->record(start, "write(" + handleText(handle) + ", " + frame + ")", status,
                   written ? ": " + std::to_string(*written) + " written" : "");
    return status;
}

int UsbTrace::flushBuffers(void* handle, uint8_t transmit, uint8_t receive) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.flushBuffers(handle, transmit, receive);
    active->record(start,
                   "flushBuffers(" + handleText(handle) + ", transmit " + std::to_string(transmit) + ", receive " +
                       std::to_string(receive) + ")",
                   status, "");
    return status;
}

int UsbTrace::setTimeouts(uint32_t readMs, uint32_t writeMs) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.setTimeouts(readMs, writeMs);
    active->record(start,
                   "setTimeouts(read " + std::to_string(readMs) + " ms, write " + std::to_string(writeMs) + " ms)",
                   status, "");
    return status;
}

int UsbTrace::getTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.getTimeouts(readMs, writeMs);
    active->record(start, "getTimeouts()", status,
                   status == 0 && readMs && writeMs
                       ? ": read " + std::to_string(*readMs) + " ms, write " + std::to_string(*writeMs) + " ms"
                       : "");
    return status;
}

int UsbTrace::checkRxQueue(void* handle, uint32_t* waiting, uint32_t* queueStatus) {
    if (!active) return failure;
    const auto start = Clock::now();
    const int status = active->inner_.checkRxQueue(handle, waiting, queueStatus);
    active->record(start, "checkRxQueue(" + handleText(handle) + ")", status,
                   ": " + text::counted(waiting ? *waiting : 0, "byte") + " waiting" +
                       (queueStatus ? ", status " + std::to_string(*queueStatus) : ""));
    return status;
}

}  // namespace brixel::toolkit
