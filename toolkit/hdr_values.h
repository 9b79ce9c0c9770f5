// SPDX-License-Identifier: MIT
#pragma once
// HDR mastering values as people name them: the transfer function and the
// primaries by name, for every tool that builds an HDR InfoFrame. Pure.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "infoframe/infoframe_bytes.h"

namespace brixel::toolkit {

struct TransferFunctionName {
    std::string_view name;
    infoframe::TransferFunction eotf;
};

inline constexpr std::array<TransferFunctionName, 4> transferFunctionNames{{
    {"sdr", infoframe::TransferFunction::sdr},
    {"hdr", infoframe::TransferFunction::hdr},
    {"pq", infoframe::TransferFunction::pq},
    {"hlg", infoframe::TransferFunction::hlg},
}};

// The one white point taken by name.
inline constexpr std::string_view whiteD65Name = "d65";

// In any case; nullopt for a name not in the table.
std::optional<infoframe::TransferFunction> transferFunctionNamed(std::string_view name);
const infoframe::Primaries* primariesNamed(std::string_view name);

// "sdr|hdr|pq|hlg" and "bt2020|p3|bt709".
std::string transferFunctionChoices();
std::string primariesChoices();

}  // namespace brixel::toolkit
