// SPDX-License-Identifier: MIT
#include "toolkit/command_results.h"

#include "settings/argument_names.h"
#include "toolkit/edid_file.h"
#include "toolkit/matrix_values.h"
#include "toolkit/numbers.h"
#include "toolkit/status_values.h"

namespace brixel::toolkit {

using nlohmann::json;

json firmwareVersionNumbers(std::string_view text) {
    const auto space = text.rfind(' ');
    const auto dot = text.rfind('.');
    if (space == std::string_view::npos || dot == std::string_view::npos || dot < space) return nullptr;
    const auto major = parseNumber(text.substr(space + 1, dot - space - 1), 255);
    const auto minor = parseNumber(text.substr(dot + 1), 255);
    if (!major || !minor) return nullptr;
    return {{"major", *major}, {"minor", *minor}};
}

json infoResult(const std::optional<std::string>& firmware, const std::optional<std::vector<uint8_t>>& stateBlock) {
    return {{"firmware", firmware ? json(*firmware) : json(nullptr)},
            {"version", firmware ? firmwareVersionNumbers(*firmware) : json(nullptr)},
            {"stateBlock", stateBlock ? json(*stateBlock) : json(nullptr)}};
}

json settingResult(const SettingCode& row, uint8_t value) {
    json result = rawSettingResult(static_cast<uint8_t>(row.code), value);
    if (const auto name = nameOf(row.argument, value); !name.empty()) result["name"] = name;
    return result;
}

json rawSettingResult(uint8_t code, uint8_t value) { return {{"code", code}, {"value", value}}; }

json statusResult(const VIDEO_STATUS& status, bool reached) {
    json result = statusReportJson(status);
    if (!reached) result["fields"] = result["signal"] = nullptr;
    return result;
}

json edidCatalogueResult() {
    json entries = json::array();
    for (const auto& row : edid::catalogue)
        entries.push_back(
            {{"value", row.value}, {"slot", row.slot}, {"name", row.name}, {"description", row.description}});
    return {{"entries", entries}};
}

json edidInstallResult(const edid::CatalogueRow& row) { return {{"value", row.value}, {"name", row.name}}; }

json edidSetResult(std::string_view file, std::string_view form, const std::vector<std::string>& problems,
                   const std::vector<std::string>& notes) {
    return {{"file", file}, {"form", form}, {"problems", problems}, {"notes", notes}};
}

json edidBytesResult(std::span<const uint8_t> edid) { return {{"edid", hexDump(edid)}}; }

json infoFrameResult(std::string_view text) { return {{"text", text}}; }

json unsentInfoFrameResult(std::string_view text) { return {{"text", text}, {"sent", false}}; }

json matrixReadResult(const std::optional<SB_VALUES>& values) {
    return {{"matrix", values ? matrixJson(*values) : json(nullptr)}};
}

json matrixSentResult(const SB_VALUES& sent) {
    return {{"matrix", matrixJson(sent)}, {"held", matrixJson(heldMatrixValues(sent))}};
}

}  // namespace brixel::toolkit
