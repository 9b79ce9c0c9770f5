// Host services on Linux: the monotonic clock, nanosleep, and warnings on
// standard error.

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "text/utf8.h"

namespace brixel::platform {
namespace {

uint32_t monotonicTick() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps at 2^32 like GetTickCount
}

void sleepFor(uint32_t ms) noexcept {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// A warning box stops the caller until dismissed; standard error does not. The
// receive-queue warning can come once per poll of a 4-second window, so a run of
// the same text within a second is folded into one line with a count.
struct RepeatFolder {
    std::string last;
    uint32_t lastTick = 0;
    unsigned repeats = 0;
};
RepeatFolder folder;

void flushRepeats() {
    if (folder.repeats > 0)
        std::fprintf(stderr, "BrixelLibrary warning: %s (repeated %u times)\n", folder.last.c_str(), folder.repeats);
    folder.repeats = 0;
}

void warnOnce(const wchar_t* text) {
    std::string line;
    for (const wchar_t* p = text; p && *p; ++p) text::appendUtf8(line, static_cast<uint32_t>(*p));
    const uint32_t now = monotonicTick();
    if (line == folder.last && static_cast<uint32_t>(now - folder.lastTick) < 1000) {
        ++folder.repeats;
        return;
    }
    flushRepeats();
    std::fprintf(stderr, "BrixelLibrary warning: %s\n", line.c_str());
    folder.last = line;
    folder.lastTick = now;
}

// Called through a plain function pointer: out of memory loses the warning, no more.
void warnOnStderr(const wchar_t* text) noexcept {
    try {
        warnOnce(text);
    } catch (...) {
    }
}

struct FlushAtExit {
    ~FlushAtExit() { flushRepeats(); }
} flushAtExit;

}  // namespace

const BRIXEL_HOST& defaultHost() {
    static const BRIXEL_HOST host{monotonicTick, sleepFor, warnOnStderr};
    return host;
}

}  // namespace brixel::platform
