// SPDX-License-Identifier: MIT
#pragma once
// What `brixelctl doctor` says on every system: each check passed or failed,
// what to change, what it cannot check there, and a verdict.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/context.h"

namespace brixel::cli {

struct DoctorCheck {
    bool ok;
    std::string text;
};

struct DoctorReport {
    std::vector<DoctorCheck> checks;
    std::vector<std::string> changes;
    std::vector<std::string> notChecked;
    void pass(std::string text) { checks.push_back({true, std::move(text)}); }
    void fail(std::string text, std::string change = {}) {
        checks.push_back({false, std::move(text)});
        if (!change.empty()) changes.push_back(std::move(change));
    }
    bool ready() const {
        for (const auto& c : checks)
            if (!c.ok) return false;
        return true;
    }
};

inline void printDoctorReport(const DoctorReport& r, const char* readyText) {
    std::printf("brixelctl doctor: the USB setup for a Brixel\n");
    for (const auto& c : r.checks) std::printf("  %-5s %s\n", c.ok ? "ok" : "FAIL", c.text.c_str());
    if (!r.notChecked.empty()) {
        std::printf("Not checked here:\n");
        for (const auto& n : r.notChecked) std::printf("  - %s\n", n.c_str());
    }
    if (!r.changes.empty()) {
        std::printf("What to change:\n");
        for (std::size_t i = 0; i < r.changes.size(); ++i) std::printf("  %zu. %s\n", i + 1, r.changes[i].c_str());
    }
    std::printf("%s\n", r.ready() ? readyText : "Not ready: brixelctl cannot reach a Brixel yet.");
}

// The document with --json, or the text; then exit status 3 while a Brixel cannot be reached.
inline void finishDoctor(Context& ctx, const DoctorReport& report, const char* readyText) {
    toolkit::ResultDocument doc;
    doc.command = "doctor";
    if (ctx.json) {
        nlohmann::json checks = nlohmann::json::array();
        for (const auto& c : report.checks) checks.push_back({{"ok", c.ok}, {"text", c.text}});
        doc.result = {{"checks", checks}, {"changes", report.changes}, {"ready", report.ready()}};
        if (!report.notChecked.empty()) doc.result["notChecked"] = report.notChecked;
    } else {
        if (ctx.simulate) std::printf("(doctor checks the real USB setup; --simulate plays no part)\n");
        printDoctorReport(report, readyText);
    }
    // It asks no device to confirm anything; not ready means no Brixel can be reached.
    ctx.finishWithoutDevice(doc);
    setExitCode(report.ready() ? exitConfirmed : exitNoDevice);
}

}  // namespace brixel::cli
