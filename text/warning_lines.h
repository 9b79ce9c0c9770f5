// SPDX-License-Identifier: MIT
#pragma once
// How a warning meant for a modal box shows where there is none: one line of
// text. A box stops the caller until dismissed; a terminal does not, and the
// receive-queue warning can come once per poll of a 4-second window, so a run
// of the same text within a second is folded into one line and a count.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "text/plural.h"

namespace brixel::text {

inline constexpr std::string_view warningPrefix = "BrixelLibrary warning: ";
inline constexpr uint32_t warningFoldWindowMs = 1000;

// "BrixelLibrary warning: TEXT", or with " (repeated N times)" for a folded run.
inline std::string warningLine(std::string_view text, unsigned repeats = 0) {
    std::string line(warningPrefix);
    line += text;
    if (repeats > 0) line += " (repeated " + counted(repeats, "time") + ")";
    return line;
}

class WarningFolder {
public:
    // Receives each warning to show: its text, and how many repeats it stands
    // for (0 for the first of a run).
    using Show = std::function<void(std::string_view text, unsigned repeats)>;

    explicit WarningFolder(Show show) : show_(std::move(show)) {}
    WarningFolder(const WarningFolder&) = delete;
    WarningFolder& operator=(const WarningFolder&) = delete;
    ~WarningFolder() { flush(); }

    void warn(std::string_view text, uint32_t nowMs) {
        if (shown_ && text == last_ && static_cast<uint32_t>(nowMs - lastMs_) < warningFoldWindowMs) {
            ++repeats_;
            return;
        }
        flush();
        show_(text, 0);
        last_ = text;
        lastMs_ = nowMs;
        shown_ = true;
    }

    // Shows the count of a run still open.
    void flush() {
        if (repeats_ > 0) show_(last_, repeats_);
        repeats_ = 0;
    }

    // Shows the count, and the next warning starts a run of its own.
    void end() {
        flush();
        shown_ = false;
    }

private:
    Show show_;
    std::string last_;
    uint32_t lastMs_ = 0;
    unsigned repeats_ = 0;
    bool shown_ = false;
};

}  // namespace brixel::text
