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

std::string warningText(const wchar_t* text) { return text::utf8FromUtf16(std::wstring_view(text ? text : L"")); }

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
