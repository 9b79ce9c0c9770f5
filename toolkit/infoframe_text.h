// SPDX-License-Identifier: MIT
#pragma once
// What brixelctl checks in InfoFrame text before the library sees it. Pure.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::toolkit {

// The text with bytes separated by white space (as hex is pasted) written
// with colons between them, as the library takes it; text with a colon, or
// without white space, as it is.
std::string colonSeparated(std::string_view text);

// Every problem in `text`, each naming its 1-based character position: two hex
// digits per byte, one colon between bytes, 2 to `maxBytes` bytes.
std::vector<std::string> infoFrameTextProblems(std::string_view text, std::size_t maxBytes);

// The bytes of a text that passed the check.
std::vector<uint8_t> infoFrameTextBytes(std::string_view text);

// "87:01:1A:..." in upper-case hex.
std::string infoFrameText(std::span<const uint8_t> bytes);

}  // namespace brixel::toolkit
