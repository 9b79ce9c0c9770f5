// SPDX-License-Identifier: MIT
#include "toolkit/tool_host.h"

#include <BrixelPlatform.h>

#include <chrono>
#include <thread>

#include "text/utf8.h"

namespace brixel::toolkit {
namespace {

ToolHost* installed = nullptr;

}  // namespace

std::string warningText(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; p && *p; ++p) {
        auto code = static_cast<uint32_t>(*p);
        // Windows' wchar_t is UTF-16: a pair of surrogates is one character.
        if constexpr (sizeof(wchar_t) == 2) {
            const auto next = static_cast<uint32_t>(p[1]);
            if (code >= 0xD800 && code <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
                ++p;
            }
        }
        text::appendUtf8(out, code);
    }
    return out;
}

ToolHost::ToolHost(text::WarningFolder::Show onWarning) : folder_(std::move(onWarning)) {}

ToolHost::~ToolHost() {
    folder_.flush();
    if (installed_) {
        brixelSetHost(nullptr);
        installed = nullptr;
    }
}

bool ToolHost::install() {
    static const BRIXEL_HOST table{tickCount, sleep, warn};
    if (!brixelSetHost(&table)) return false;
    installed = this;
    installed_ = true;
    return true;
}

uint32_t ToolHost::tickCount() noexcept {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(ms.count());  // wraps at 2^32 like GetTickCount
}

// The library calls through plain function pointers: nothing may be thrown back
// into it, so a hook that fails loses its notice, no more.
void ToolHost::sleep(uint32_t ms) noexcept {
    if (installed && installed->onWait) {
        try {
            installed->onWait(ms);
        } catch (...) {
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ToolHost::warn(const wchar_t* text) noexcept {
    if (!installed) return;
    try {
        installed->folder_.warn(warningText(text), tickCount());
    } catch (...) {
    }
}

}  // namespace brixel::toolkit
