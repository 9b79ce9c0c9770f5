// SPDX-License-Identifier: MIT
#pragma once
// The video status report as data: each line's value without its label, and
// the numbers in it (width, height, rate, pixel clock, colour space, depth,
// HDCP), for scripts and for whatever shows the report. Pure.

#include <BrixelLibrary.h>

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "report/status_fields.h"

namespace brixel::toolkit {

struct ReportLine {
    std::string text;  // as the record holds it, without the warning markup
    bool warning = false;
};

ReportLine reportLine(const VIDEO_STATUS& status, const StatusField& field);

// With no report the first line keeps its bare label.
bool reportWasRead(const VIDEO_STATUS& status);

// Name bytes come from the source and the display as Latin-1: as UTF-8.
std::string latin1AsUtf8(std::string_view text);
// UTF-8 text for a terminal, every control character (C0 and C1) shown as '?'.
std::string forTerminal(std::string_view utf8);

// {"text": the line, "value": it without its label, "warning": bool, ...the numbers parsed from it}.
nlohmann::json statusFieldJson(const StatusField& field, const ReportLine& line);

// {"report": bool, "fields": {NAME: statusFieldJson, ...}} for all twenty fields.
nlohmann::json statusReportJson(const VIDEO_STATUS& status);

}  // namespace brixel::toolkit
