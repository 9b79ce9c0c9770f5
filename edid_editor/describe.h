// SPDX-License-Identifier: MIT
#pragma once
// An EDID as a list of readable facts, and the difference between two EDIDs
// as the facts that went, came or changed: "CTA: HDR Static Metadata Data Block
// removed", "Display name: LG TV → Lounge". Pure.

#include <string>
#include <vector>

#include "edid_editor/edid_model.h"

namespace brixel::edid_editor {

struct Fact {
    std::string group;  // "" for the base block, "CTA extension", or a data block: "CTA: Audio Data Block"
    std::string key;    // "Display name", "Video: VIC 97 (3840x2160p60)"
    std::string value;  // "Lounge", "native"; empty where being there is the fact
};

std::vector<Fact> describeEdid(const Edid& edid);

// Block by block, field by field, in the order of `before`, then what only
// `after` has. Empty when the two say the same.
std::vector<std::string> diffEdids(const Edid& before, const Edid& after);

// Text of the parts, as the facts give them.
std::string timingText(const DetailedTiming& timing);           // "3840x2160@60 (594.00 MHz)"
std::string audioText(std::span<const uint8_t, 3> descriptor);  // "LPCM, 2 channels, 32/44.1/48 kHz, 16/20/24 bit"

}  // namespace brixel::edid_editor
