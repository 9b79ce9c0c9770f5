// SPDX-License-Identifier: MIT
#pragma once
// Each command's own keys of the result document (result_document.h gives
// the shape around them), built once for brixelctl --json and the panel's
// API, so that both give the same document for the same command. Pure.

#include <BrixelLibrary.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/catalogue.h"
#include "settings/setting_codes.h"

namespace brixel::toolkit {

// "BRIXEL FW Ver: 1.5" as {"major": 1, "minor": 5}; null when it has no such numbers.
nlohmann::json firmwareVersionNumbers(std::string_view text);

// info: {"firmware": TEXT, "version": {"major", "minor"}, "stateBlock": [60 bytes]}, each null when not read.
nlohmann::json infoResult(const std::optional<std::string>& firmware,
                          const std::optional<std::vector<uint8_t>>& stateBlock);

// A setting by name: {"code", "value", "name" when the value has one}.
nlohmann::json settingResult(const SettingCode& row, uint8_t value);
// set CODE VALUE: {"code", "value"}.
nlohmann::json rawSettingResult(uint8_t code, uint8_t value);

// status: {"report": bool, "fields": {...}, "signal": {...}}, the fields and the signal null when no
// device was reached.
nlohmann::json statusResult(const VIDEO_STATUS& status, bool reached);

// edid list: {"entries": [{"value", "slot", "name", "description"}, ...]}.
nlohmann::json edidCatalogueResult();
// edid install|export: {"value", "name"}.
nlohmann::json edidInstallResult(const edid::CatalogueRow& row);
// edid set: {"file", "form", "problems", "notes"}.
nlohmann::json edidSetResult(std::string_view file, std::string_view form, const std::vector<std::string>& problems,
                             const std::vector<std::string>& notes);
// edid get|sink: {"edid": the bytes as hexDump gives them}.
nlohmann::json edidBytesResult(std::span<const uint8_t> edid);

// infoframe avi|hdr|hdr-build: {"text"}.
nlohmann::json infoFrameResult(std::string_view text);
// infoframe hdr-build --print-only: {"text", "sent": false}.
nlohmann::json unsentInfoFrameResult(std::string_view text);

// matrix get: {"matrix": {...}}, null when not read.
nlohmann::json matrixReadResult(const std::optional<SB_VALUES>& values);
// matrix set|reset: {"matrix": what was sent, "held": what the device will hold of it}.
nlohmann::json matrixSentResult(const SB_VALUES& sent);

}  // namespace brixel::toolkit
