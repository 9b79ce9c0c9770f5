// SPDX-License-Identifier: MIT
#pragma once
// The video status report as data: each line's value without its label, and
// the numbers in it (width, height, rate, pixel clock, colour space, depth,
// HDCP), the InfoFrames decoded and the signal they describe, for scripts and
// for whatever shows the report. Pure.

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

// The lines that hold an InfoFrame as bare hex, without a label of their own.
bool holdsInfoFrame(const StatusField& field);

// {"text": the line, "value": it without its label, "warning": bool, ...the numbers parsed from it}.
// An InfoFrame's line: "text" with the field's title ("AVI InfoFrame: 82:02:..."),
// "value" the bare hex, "bytes", and "decoded" (infoframe_json.h; null when empty).
nlohmann::json statusFieldJson(const StatusField& field, const ReportLine& line);

// {"report": bool, "fields": {NAME: statusFieldJson, ...}, "signal": {"hdrFormat",
// "description"} or null} for all twenty fields; the signal is read from the
// InfoFrames, with the input's colour depth where the report gives it exactly.
// The same record gives the same document: each thread keeps its last one.
nlohmann::json statusReportJson(const VIDEO_STATUS& status);

}  // namespace brixel::toolkit
