// SPDX-License-Identifier: MIT
// Host services on Linux: the monotonic clock, nanosleep, and warnings on
// standard error.

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <string>

#include "platform/platform.h"
#include "text/utf8.h"
#include "text/warning_lines.h"

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

text::WarningFolder folder([](std::string_view text, unsigned repeats) {
    std::fprintf(stderr, "%s\n", text::warningLine(text, repeats).c_str());
});

// Called through a plain function pointer: out of memory loses the warning, no more.
void warnOnStderr(const wchar_t* text) noexcept {
    try {
        std::string line;
        for (const wchar_t* p = text; p && *p; ++p) text::appendUtf8(line, static_cast<uint32_t>(*p));
        folder.warn(line, monotonicTick());
    } catch (...) {
    }
}

}  // namespace

const BRIXEL_HOST& defaultHost() {
    static const BRIXEL_HOST host{monotonicTick, sleepFor, warnOnStderr};
    return host;
}

}  // namespace brixel::platform
