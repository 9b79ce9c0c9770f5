#pragma once
// Debian's edid-decode run on EDID bytes: for `brixelctl edid ... --decode`,
// and for the tests that read the built-in EDIDs through it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brixel::cli {

inline constexpr std::string_view edidDecodeProgram = "edid-decode";

// True when edid-decode is on the PATH.
bool edidDecodeInstalled();

// What edid-decode prints, standard error included, for `edid` with
// `options` (e.g. "--check") before the file; nullopt when it is not installed.
// Throws std::runtime_error when the bytes cannot be handed to it.
std::optional<std::string> runEdidDecode(std::span<const uint8_t> edid, std::string_view options = {});

}  // namespace brixel::cli
