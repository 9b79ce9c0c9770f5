// SPDX-License-Identifier: MIT
#include "toolkit/hdr_values.h"

#include "toolkit/setting_values.h"

namespace brixel::toolkit {

std::optional<infoframe::TransferFunction> transferFunctionNamed(std::string_view name) {
    for (const auto& row : transferFunctionNames)
        if (sameWord(name, row.name)) return row.eotf;
    return std::nullopt;
}

const infoframe::Primaries* primariesNamed(std::string_view name) {
    for (const auto& p : infoframe::primaryPresets)
        if (sameWord(name, p.name)) return &p;
    return nullptr;
}

std::string transferFunctionChoices() {
    std::string names;
    for (const auto& row : transferFunctionNames) names += (names.empty() ? "" : "|") + std::string(row.name);
    return names;
}

std::string primariesChoices() {
    std::string names;
    for (const auto& p : infoframe::primaryPresets) names += (names.empty() ? "" : "|") + std::string(p.name);
    return names;
}

}  // namespace brixel::toolkit
