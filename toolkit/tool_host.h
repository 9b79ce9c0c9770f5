// SPDX-License-Identifier: MIT
#pragma once
// The host services brixelctl gives the library in place of the platform's:
// the monotonic clock and real sleeps, with the library's warnings and waits
// handed to the command that runs. One is installed at a time.

#include <cstdint>
#include <functional>
#include <string>

#include "text/warning_lines.h"

namespace brixel::toolkit {

class ToolHost {
public:
    // Receives the warnings, a run of the same text folded as the Linux host folds it.
    explicit ToolHost(text::WarningFolder::Show onWarning);
    // Shows the count of a run still open and gives the library its own host back.
    ~ToolHost();
    ToolHost(const ToolHost&) = delete;
    ToolHost& operator=(const ToolHost&) = delete;

    // False, and nothing changed, while the library holds the device open.
    bool install();

    // Shows the count of a run of one warning still open; the next warning starts anew.
    void flush() { folder_.end(); }

    // Sees each wait the library asks for, before it is waited.
    std::function<void(uint32_t ms)> onWait;

    // The installed host's warning service, for a USB layer that explains
    // itself (a refused open) to whoever runs the tool.
    static void warn(const wchar_t* text) noexcept;

private:
    static uint32_t tickCount() noexcept;
    static void sleep(uint32_t ms) noexcept;

    text::WarningFolder folder_;
    bool installed_ = false;
};

// A library warning as UTF-8.
std::string warningText(const wchar_t* text);

}  // namespace brixel::toolkit
