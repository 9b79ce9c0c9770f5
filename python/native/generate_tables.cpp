// SPDX-License-Identifier: MIT
// Writes brixel/_tables.py: the setting codes, each argument's values, the
// transfer functions and the built-in EDIDs as IntEnums, and a method for
// each exported setting function, all walked from the library's tables. What
// is said here is only how a name is spelled in Python.

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "edid/catalogue.h"
#include "infoframe/infoframe_bytes.h"
#include "report/status_fields.h"
#include "settings/argument_names.h"
#include "settings/setting_codes.h"

namespace brixel {
namespace {

struct PythonEnum {
    ArgumentKind kind;
    std::string_view className;
    std::string_view parameter;
    std::string_view digitPrefix;  // before a name that starts with a digit
    std::string_view doc;
};

constexpr PythonEnum pythonEnums[] = {
    {ArgumentKind::port, "Port", "port", "PORT_", "The input ports (BRIXEL_INPORT)."},
    {ArgumentKind::scaling, "Scaling", "scaling", "", "Scaling of the output (BRIXEL_SCALE)."},
    {ArgumentKind::hdcp, "Hdcp", "version", "V",
     "HDCP versions offered to the source (BRIXEL_HDCP); the reserved value is never sent."},
    {ArgumentKind::edidMode, "EdidMode", "mode", "", "Which EDID the source is shown (BRIXEL_EDID)."},
    {ArgumentKind::factoryReset, "FactoryReset", "kind", "", "What a factory reset restores (BRIXEL_FACTRESET)."},
    {ArgumentKind::colourFormat, "ColourFormat", "format", "", "Output colour formats (BRIXEL_COLFMT)."},
    {ArgumentKind::depth, "Depth", "depth", "BITS_", "Output colour depths (BRIXEL_DC)."},
    {ArgumentKind::bt2020, "Bt2020", "mode", "", "Forcing BT.2020 colorimetry (BRIXEL_BT2020)."},
    {ArgumentKind::preset, "Preset", "mode", "", "Formats of the output presets (BRIXEL_PRESET)."},
};

const PythonEnum* pythonEnumOf(ArgumentKind kind) {
    for (const auto& e : pythonEnums)
        if (e.kind == kind) return &e;
    return nullptr;
}

constexpr std::pair<std::string_view, infoframe::TransferFunction> transferFunctions[] = {
    {"SDR", infoframe::TransferFunction::sdr},
    {"HDR", infoframe::TransferFunction::hdr},
    {"PQ", infoframe::TransferFunction::pq},
    {"HLG", infoframe::TransferFunction::hlg},
};

// "ycbcr444-8" -> "YCBCR444_8", "1.4" -> prefix + "1_4".
std::string memberName(std::string_view name, std::string_view digitPrefix) {
    std::string out;
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) out = digitPrefix;
    for (char c : name) out += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(c)) : '_';
    return out;
}

// "setActivePort" -> "set_active_port".
std::string snakeCase(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (std::isupper(static_cast<unsigned char>(c))) {
            out += '_';
            out += static_cast<char>(std::tolower(c));
        } else {
            out += c;
        }
    }
    return out;
}

std::string capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty()) out[0] = static_cast<char>(std::toupper(out[0]));
    return out;
}

bool write(std::ostream& out) {
    out << "# Written by brixel_python_tables from the library's tables at build time: not to be edited.\n"
           "\"\"\"The setting codes, argument values, transfer functions and built-in EDIDs as\n"
           "enumerations, and a method for each setting function.\"\"\"\n\n"
           "from __future__ import annotations\n\n"
           "from enum import IntEnum\n"
           "from typing import TYPE_CHECKING\n\n"
           "from ._errors import Result\n\n"
           "if TYPE_CHECKING:\n"
           "    from ._status import StatusLine\n\n\n"
           "class Setting(IntEnum):\n"
           "    \"\"\"The setting codes (BRIXEL_CMD), named as brixelctl names its commands.\"\"\"\n\n";
    for (const auto& row : settingCodes)
        out << "    " << memberName(row.command, "") << " = " << row.code << "  # " << row.summary << "\n";

    for (const auto& e : pythonEnums) {
        out << "\n\nclass " << e.className << "(IntEnum):\n    \"\"\"" << e.doc << "\"\"\"\n\n";
        const auto names = namesFor(e.kind);
        if (names.empty()) return false;
        for (const auto& n : names) out << "    " << memberName(n.name, e.digitPrefix) << " = " << int{n.value} << "\n";
    }

    out << "\n\nclass Eotf(IntEnum):\n    \"\"\"Transfer functions of the HDR InfoFrame.\"\"\"\n\n";
    for (const auto& [name, value] : transferFunctions) out << "    " << name << " = " << int(value) << "\n";

    out << "\n\nclass EdidTable(IntEnum):\n    \"\"\"The built-in EDIDs (EDIDTABLE).\"\"\"\n\n";
    for (const auto& row : edid::catalogue)
        out << "    " << memberName(row.name, "EDID_") << " = " << int{row.value} << "  # " << row.description << "\n";

    out << "\n\nclass SettingMethods:\n"
           "    \"\"\"A method for each exported setting function; each returns the device's\n"
           "    confirmation as a Result, or raises.\"\"\"\n\n"
           "    def _setting(self, operation: str, value: int | str | None = None) -> Result:\n"
           "        raise NotImplementedError\n";
    for (const auto& row : settingCodes) {
        // A built-in EDID is installed with install_edid, which uploads it first.
        if (row.argument == ArgumentKind::edidTable) continue;
        const std::string method = snakeCase(row.function);
        const std::string setting = "\"" + std::string(row.command) + "\"";
        const std::string doc = capitalised(row.summary) + ": " + std::string(row.function) + ", setting code " +
                                std::to_string(row.code) + ".";
        out << "\n    def " << method;
        if (row.argument == ArgumentKind::none) {
            out << "(self) -> Result:\n        \"\"\"" << doc << "\"\"\"\n        return self._setting(" << setting
                << ")\n";
        } else if (row.argument == ArgumentKind::flag) {
            out << "(self, on: bool) -> Result:\n        \"\"\"" << doc << "\"\"\"\n        return self._setting("
                << setting << ", 1 if on else 0)\n";
        } else {
            const PythonEnum* e = pythonEnumOf(row.argument);
            if (!e) {
                std::cerr << "brixel_python_tables: no Python enumeration for the argument of " << row.function << "\n";
                return false;
            }
            // A member, its number, or its name in any case: the catalogue checks which.
            out << "(self, " << e->parameter << ": " << e->className << " | int | str) -> Result:\n        \"\"\""
                << doc << "\"\"\"\n        return self._setting(" << setting << ", " << e->parameter << ")\n";
        }
    }
    out << "\n\nclass StatusLines:\n"
           "    \"\"\"The report's twenty lines, each a property: ``status.in_color_space``.\"\"\"\n\n"
           "    _lines: dict[str, StatusLine]\n";
    for (const auto& field : statusFields) {
        const std::string label(field.title.empty() ? std::string(field.name) : std::string(field.title));
        out << "\n    @property\n    def " << snakeCase(field.name) << "(self) -> StatusLine:\n        \"\"\"The line "
            << field.name << " of the report.\"\"\"\n        return self._lines[\"" << field.name << "\"]\n";
    }
    return true;
}

}  // namespace
}  // namespace brixel

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: brixel_python_tables OUTPUT.py\n";
        return 2;
    }
    std::ofstream out(argv[1]);
    if (!brixel::write(out) || !out.flush()) {
        std::cerr << "brixel_python_tables: " << argv[1] << " not written\n";
        return 1;
    }
    return 0;
}
