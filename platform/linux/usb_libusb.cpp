// The ten operations of the vendor USB layer over libusb-1.0, for a USBXpress
// device: interface 0 with one bulk pair. Bytes from the device land in a
// host-side buffer, fed by IN transfers that are always in flight, so the
// receive-queue check sees a reply as soon as libusb has reaped it.

#include "platform/linux/usb_libusb.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/usb_devices.h"
#include "protocol/device.h"
#include "protocol/usb_identity.h"

namespace brixel::platform {
namespace {

// Status codes in the vendor library's numbering; anything but success fails.
enum Status : int {
    success = 0x00,
    invalidHandle = 0x01,
    readError = 0x02,
    writeError = 0x04,
    invalidParameter = 0x06,
    invalidRequestLength = 0x07,
    deviceIoFailed = 0x08,
    readTimedOut = 0x0D,
    writeTimedOut = 0x0E,
    deviceNotFound = 0xFF,
};

// What the string query returns, by its flags.
enum StringKind : uint32_t {
    serialNumber = protocol::productStringSerial,
    description = 1,
    linkName = protocol::productStringLinkName,
    vendorId = 3,
    productId = 4
};
// Never expires, as with the vendor library, whose default it also is.
constexpr uint32_t infinite = 0xFFFFFFFF;
// Queue status values.
constexpr uint32_t rxEmpty = 0x00;
constexpr uint32_t rxOverrun = 0x01;
constexpr uint32_t rxReady = 0x02;
// Unread bytes beyond this are dropped and reported as an overrun.
constexpr std::size_t receiveLimit = 65536;
// Two IN transfers, so that a packet never waits for a resubmission.
constexpr std::size_t inTransferCount = 2;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct OpenDevice {
    uintptr_t id = 0;
    libusb_device* device = nullptr;
    libusb_device_handle* handle = nullptr;
    UsbxpressEndpoints ep;
    std::array<libusb_transfer*, inTransferCount> in{};
    std::array<bool, inTransferCount> inFlight{};
    bool receiving = false;
    std::deque<uint8_t> received;
    // Leading bytes of `received` that end with a short packet: whole replies.
    std::size_t completeBytes = 0;
    bool overrun = false;
    bool gone = false;           // unplugged: every operation fails from now on
    bool receiveBroken = false;  // the IN endpoint stalled or failed; flush re-arms it

    bool anyInFlight() const { return std::find(inFlight.begin(), inFlight.end(), true) != inFlight.end(); }
    bool receiveDead() const { return gone || (receiveBroken && !anyInFlight()); }
};

struct Session {
    libusb_context* context = nullptr;
    // The devices of the last count, referenced, indexed as the caller sees them.
    std::vector<libusb_device*> devices;
    std::vector<std::unique_ptr<OpenDevice>> open;
    // Handles left open because a transfer on them never came back.
    std::vector<libusb_device_handle*> abandoned;
    // Handles are never reused, so a stale one cannot reach another device.
    uintptr_t nextId = 1;
};

Session session;
uint32_t readTimeout = infinite;
uint32_t writeTimeout = infinite;
Warn explain = nullptr;

bool haveContext() {
    if (!session.context && libusb_init(&session.context) != 0) session.context = nullptr;
    return session.context != nullptr;
}

void forgetDevices() {
    for (libusb_device* d : session.devices) libusb_unref_device(d);
    session.devices.clear();
}

OpenDevice* find(void* handle) {
    const auto id = reinterpret_cast<uintptr_t>(handle);
    for (auto& d : session.open)
        if (d->id == id) return d.get();
    return nullptr;
}

// Lets libusb reap what has arrived, waiting at most `wait` for something to.
void pump(std::chrono::microseconds wait) {
    timeval tv{static_cast<time_t>(wait.count() / 1000000), static_cast<suseconds_t>(wait.count() % 1000000)};
    libusb_handle_events_timeout_completed(session.context, &tv, nullptr);
}

unsigned libusbTimeout(uint32_t ms) {
    if (ms == infinite) return 0;  // libusb's "no time-out"
    return std::max<uint32_t>(ms, 1);
}

void explainOpenFailure(int error, libusb_device* device) {
    const std::wstring text = openFailureExplanation(error, deviceNode(device));
    if (!text.empty() && explain) explain(text.c_str());
}

int vendorRequest(libusb_device_handle* handle, uint8_t request, uint16_t value) {
    const int r = libusb_control_transfer(handle, vendorRequestOut, request, value, protocol::usbxpressInterface,
                                          nullptr, 0, controlTimeoutMs);
    return r < 0 ? r : 0;
}

// Runs inside libusb's event handling, which no exception may cross.
void store(OpenDevice& dev, const uint8_t* bytes, int length) noexcept {
    const auto n = static_cast<std::size_t>(std::max(length, 0));
    if (dev.received.size() + n > receiveLimit) {
        dev.overrun = true;
    } else {
        try {
            dev.received.insert(dev.received.end(), bytes, bytes + n);
        } catch (...) {
            dev.overrun = true;
        }
    }
    // A short packet (a zero-length one too) ends a transfer: the reply is whole.
    if (n < dev.ep.inPacket) dev.completeBytes = dev.received.size();
}

void submit(OpenDevice& dev, std::size_t slot);

void LIBUSB_CALL onReceived(libusb_transfer* transfer) {
    auto* dev = static_cast<OpenDevice*>(transfer->user_data);
    if (!dev) {  // abandoned by a close that could not wait for it
        libusb_free_transfer(transfer);
        return;
    }
    const std::size_t slot = transfer == dev->in[0] ? 0 : 1;
    dev->inFlight[slot] = false;
    switch (transfer->status) {
        case LIBUSB_TRANSFER_COMPLETED: store(*dev, transfer->buffer, transfer->actual_length); break;
        case LIBUSB_TRANSFER_CANCELLED:
        case LIBUSB_TRANSFER_TIMED_OUT: break;
        case LIBUSB_TRANSFER_NO_DEVICE: dev->gone = true; return;
        default: dev->receiveBroken = true; return;
    }
    if (dev->receiving) submit(*dev, slot);
}

void submit(OpenDevice& dev, std::size_t slot) {
    const int r = libusb_submit_transfer(dev.in[slot]);
    if (r == 0)
        dev.inFlight[slot] = true;
    else if (r == LIBUSB_ERROR_NO_DEVICE)
        dev.gone = true;
    else
        dev.receiveBroken = true;
}

void startReceiving(OpenDevice& dev) {
    dev.receiving = true;
    for (std::size_t i = 0; i < inTransferCount; ++i)
        if (!dev.inFlight[i]) submit(dev, i);
}

// True when every transfer came back; the others are left to their callbacks.
bool stopReceiving(OpenDevice& dev) {
    dev.receiving = false;
    for (std::size_t i = 0; i < inTransferCount; ++i)
        if (dev.inFlight[i]) libusb_cancel_transfer(dev.in[i]);
    const auto deadline = Clock::now() + milliseconds(cancelWaitMs);
    while (dev.anyInFlight() && Clock::now() < deadline) pump(milliseconds(10));
    const bool allBack = !dev.anyInFlight();
    for (std::size_t i = 0; i < inTransferCount; ++i) {
        if (!dev.in[i]) continue;
        if (dev.inFlight[i])
            dev.in[i]->user_data = nullptr;  // freed by its callback, whenever libusb gives it back
        else
            libusb_free_transfer(dev.in[i]);
        dev.in[i] = nullptr;
        dev.inFlight[i] = false;
    }
    return allBack;
}

bool prepareTransfers(OpenDevice& dev) {
    for (auto& transfer : dev.in) {
        transfer = libusb_alloc_transfer(0);
        auto* buffer = static_cast<unsigned char*>(std::malloc(dev.ep.inPacket));
        if (!transfer || !buffer) {
            std::free(buffer);
            return false;
        }
        libusb_fill_bulk_transfer(transfer, dev.handle, dev.ep.in, buffer, dev.ep.inPacket, onReceived, &dev, 0);
        transfer->flags = LIBUSB_TRANSFER_FREE_BUFFER;
    }
    return true;
}

// Close request, release, close: the handle is gone whatever the device says.
int shutDown(OpenDevice& dev) {
    int r = dev.gone ? LIBUSB_ERROR_NO_DEVICE : vendorRequest(dev.handle, requestControl, controlClose);
    if (!stopReceiving(dev)) {
        // libusb must not close a handle under a transfer it still holds: the
        // handle, its interface and the transfer are leaked on purpose, and the
        // context with them when the layer shuts down.
        session.abandoned.push_back(dev.handle);
        return LIBUSB_ERROR_BUSY;
    }
    const int released = libusb_release_interface(dev.handle, protocol::usbxpressInterface);
    libusb_close(dev.handle);
    if (r == 0) r = released;
    return r;
}

// A string of the device, from the handle we hold on it or a short-lived one.
int deviceString(libusb_device* device, uint8_t index, StringKind kind, std::string& text) {
    for (auto& d : session.open)
        if (d->device == device) return readStringDescriptor(d->handle, index, text);
    libusb_device_handle* handle = nullptr;
    const int r = libusb_open(device, &handle);
    if (r == LIBUSB_ERROR_ACCESS && kind == serialNumber) {
        // The node needs the udev rule, the kernel's copy of the serial does not:
        // the open that follows can then say what is wrong.
        if (auto serial = sysfsSerial(device)) {
            text = *serial;
            return 0;
        }
    }
    if (r != 0) return r;
    const int read = readStringDescriptor(handle, index, text);
    libusb_close(handle);
    return read;
}

std::string hex4(uint16_t value) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%04X", value);
    return text.data();
}

// ---- The ten operations ----------------------------------------------------------

int usbGetNumDevices(uint32_t* count) {
    if (!count) return invalidParameter;
    *count = 0;
    if (!haveContext()) return deviceNotFound;
    forgetDevices();
    session.devices = listUsbxpressDevices(session.context);
    *count = static_cast<uint32_t>(session.devices.size());
    return success;
}

int usbGetProductString(uint32_t index, char* buffer, uint32_t flags) {
    if (!buffer) return invalidParameter;
    buffer[0] = '\0';
    if (!haveContext() || index >= session.devices.size()) return deviceNotFound;
    libusb_device* device = session.devices[index];
    libusb_device_descriptor dd{};
    if (libusb_get_device_descriptor(device, &dd) != 0) return deviceIoFailed;
    std::string text;
    switch (flags) {
        case serialNumber:
        case description: {
            const auto kind = static_cast<StringKind>(flags);
            const uint8_t stringIndex = kind == serialNumber ? dd.iSerialNumber : dd.iProduct;
            if (deviceString(device, stringIndex, kind, text) != 0) return deviceIoFailed;
            break;
        }
        case linkName: text = deviceNode(device); break;
        case vendorId: text = hex4(dd.idVendor); break;
        case productId: text = hex4(dd.idProduct); break;
        default: return invalidParameter;
    }
    const std::size_t n = std::min(text.size(), protocol::serialBufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return success;
}

int usbOpen(uint32_t index, void** handle) {
    if (!handle) return invalidParameter;
    *handle = reinterpret_cast<void*>(protocol::invalidHandleValue);
    if (!haveContext() || index >= session.devices.size()) return deviceNotFound;
    libusb_device* device = session.devices[index];
    const auto ep = usbxpressShape(device);
    if (!ep) return deviceNotFound;
    // Allocate first: from the open on, nothing may throw and leak the handle.
    auto dev = std::make_unique<OpenDevice>();
    session.open.reserve(session.open.size() + 1);
    session.abandoned.reserve(session.abandoned.size() + session.open.size() + 1);

    libusb_device_handle* h = nullptr;
    int r = libusb_open(device, &h);
    if (r != 0) {
        explainOpenFailure(r, device);
        return r == LIBUSB_ERROR_NO_DEVICE ? deviceNotFound : deviceIoFailed;
    }
    // The kernel's cp210x driver may hold interface 0; it gets it back on release.
    libusb_set_auto_detach_kernel_driver(h, 1);
    r = libusb_claim_interface(h, protocol::usbxpressInterface);
    const bool claimed = r == 0;
    if (r == 0) r = vendorRequest(h, requestFlush, flushValue);
    if (r == 0) r = vendorRequest(h, requestControl, controlOpen);
    if (r != 0) {
        explainOpenFailure(r, device);
        if (claimed) libusb_release_interface(h, protocol::usbxpressInterface);
        libusb_close(h);
        return deviceIoFailed;
    }

    dev->id = session.nextId++;
    dev->device = device;
    dev->handle = h;
    dev->ep = *ep;
    const bool prepared = prepareTransfers(*dev);
    if (prepared) startReceiving(*dev);
    if (!prepared || dev->gone || dev->receiveBroken) {
        shutDown(*dev);
        return deviceIoFailed;
    }
    *handle = reinterpret_cast<void*>(dev->id);
    session.open.push_back(std::move(dev));
    return success;
}

int usbClose(void* handle) {
    OpenDevice* dev = find(handle);
    if (!dev) return invalidHandle;
    const auto it =
        std::find_if(session.open.begin(), session.open.end(), [&](const auto& d) { return d.get() == dev; });
    const int r = shutDown(**it);
    session.open.erase(it);
    return r == 0 ? success : deviceIoFailed;
}

int usbRead(void* handle, void* buffer, uint32_t wanted, uint32_t* bytesRead, void*) {
    if (bytesRead) *bytesRead = 0;
    OpenDevice* dev = find(handle);
    if (!dev) return invalidHandle;
    if (!buffer || !bytesRead) return invalidParameter;
    if (wanted == 0) return invalidRequestLength;

    // Done when the bytes asked for are here, or a whole reply is.
    auto ready = [&] { return dev->received.size() >= wanted || dev->completeBytes > 0; };
    const bool forever = readTimeout == infinite;
    const auto deadline = Clock::now() + milliseconds(forever ? 0 : readTimeout);
    pump(milliseconds(0));
    while (!ready() && !dev->receiveDead()) {
        const auto now = Clock::now();
        if (!forever && now >= deadline) break;
        const auto slice =
            forever ? Clock::duration(milliseconds(100)) : std::min<Clock::duration>(milliseconds(100), deadline - now);
        pump(std::chrono::duration_cast<std::chrono::microseconds>(slice));
    }

    const std::size_t n = std::min<std::size_t>(wanted, dev->received.size());
    std::copy_n(dev->received.begin(), n, static_cast<uint8_t*>(buffer));
    dev->received.erase(dev->received.begin(), dev->received.begin() + static_cast<std::ptrdiff_t>(n));
    dev->completeBytes = dev->completeBytes > n ? dev->completeBytes - n : 0;
    *bytesRead = static_cast<uint32_t>(n);
    if (n > 0) return success;
    if (dev->gone) return deviceIoFailed;
    return dev->receiveBroken ? readError : readTimedOut;
}

int usbWrite(void* handle, void* buffer, uint32_t length, uint32_t* bytesWritten, void*) {
    if (bytesWritten) *bytesWritten = 0;
    OpenDevice* dev = find(handle);
    if (!dev) return invalidHandle;
    if (!buffer || !bytesWritten) return invalidParameter;
    if (length == 0 || length > INT_MAX) return invalidRequestLength;
    if (dev->gone) return deviceIoFailed;
    int transferred = 0;
    const int r = libusb_bulk_transfer(dev->handle, dev->ep.out, static_cast<unsigned char*>(buffer),
                                       static_cast<int>(length), &transferred, libusbTimeout(writeTimeout));
    *bytesWritten = static_cast<uint32_t>(std::max(transferred, 0));
    if (r == 0 && *bytesWritten == length) return success;
    if (r == LIBUSB_ERROR_NO_DEVICE) {
        dev->gone = true;
        return deviceIoFailed;
    }
    return r == LIBUSB_ERROR_TIMEOUT ? writeTimedOut : writeError;
}

int usbFlushBuffers(void* handle, uint8_t, uint8_t flushReceive) {
    // Writes finish before they return: nothing waits on the way out.
    OpenDevice* dev = find(handle);
    if (!dev) return invalidHandle;
    if (flushReceive) {
        // Reap first, so that what the kernel already holds is dropped as well.
        pump(milliseconds(0));
        dev->received.clear();
        dev->completeBytes = 0;
        dev->overrun = false;
        if (dev->receiveBroken && !dev->gone && !dev->anyInFlight()) {
            libusb_clear_halt(dev->handle, dev->ep.in);
            dev->receiveBroken = false;
            startReceiving(*dev);
        }
    }
    return dev->gone ? deviceIoFailed : success;
}

int usbSetTimeouts(uint32_t readMs, uint32_t writeMs) {
    readTimeout = readMs;
    writeTimeout = writeMs;
    return success;
}

int usbGetTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    if (!readMs || !writeMs) return invalidParameter;
    *readMs = readTimeout;
    *writeMs = writeTimeout;
    return success;
}

int usbCheckRxQueue(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus) {
    if (bytesInQueue) *bytesInQueue = 0;
    if (queueStatus) *queueStatus = rxEmpty;
    OpenDevice* dev = find(handle);
    if (!dev) return invalidHandle;
    if (!bytesInQueue) return invalidParameter;
    // The library polls without sleeping until a reply comes: with nothing
    // there, wait for it inside libusb a little (it returns at once when a
    // transfer completes), so that a silent device does not burn a core.
    if (!dev->gone) pump(dev->received.empty() ? idleQueueWait : std::chrono::microseconds(0));
    const auto waiting = static_cast<uint32_t>(dev->received.size());
    *bytesInQueue = waiting;
    if (queueStatus) *queueStatus = dev->overrun ? rxOverrun : waiting > 0 ? rxReady : rxEmpty;
    if (dev->gone) return deviceIoFailed;
    return dev->receiveDead() ? readError : success;
}

// The library calls through plain function pointers: an exception (bad_alloc)
// becomes a failure status here.
template <auto operation>
struct NoThrow;
template <typename... Args, int (*operation)(Args...)>
struct NoThrow<operation> {
    static int call(Args... args) noexcept {
        try {
            return operation(args...);
        } catch (...) {
            return deviceIoFailed;
        }
    }
};

}  // namespace

std::wstring openFailureExplanation(int libusbError, std::string_view node) {
    // Device nodes and the rule's name are ASCII.
    const auto wide = [](std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); };
    if (libusbError == LIBUSB_ERROR_ACCESS)
        return L"no permission to use the USB device " + wide(node) + L": install the udev rule " +
               wide(protocol::udevRuleFile) + L", unplug and replug the device, and run 'brixelctl doctor' to check.";
    if (libusbError == LIBUSB_ERROR_BUSY) return L"the USB device " + wide(node) + L" is in use by another program.";
    return {};
}

const BRIXEL_USB_LAYER& libusbUsbLayer(Warn warn) {
    explain = warn;
    static const BRIXEL_USB_LAYER layer{NoThrow<usbGetNumDevices>::call, NoThrow<usbGetProductString>::call,
                                        NoThrow<usbOpen>::call,          NoThrow<usbClose>::call,
                                        NoThrow<usbRead>::call,          NoThrow<usbWrite>::call,
                                        NoThrow<usbFlushBuffers>::call,  NoThrow<usbSetTimeouts>::call,
                                        NoThrow<usbGetTimeouts>::call,   NoThrow<usbCheckRxQueue>::call};
    return layer;
}

void shutdownLibusb() {
    for (auto& d : session.open) shutDown(*d);
    session.open.clear();
    forgetDevices();
    if (session.context && session.abandoned.empty()) libusb_exit(session.context);
    session.abandoned.clear();
    session.context = nullptr;
}

}  // namespace brixel::platform
