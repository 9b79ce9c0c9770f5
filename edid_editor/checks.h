// SPDX-License-Identifier: MIT
#pragma once
// What is wrong with an EDID, as the model sees it, one sentence each: the
// header, the checksums, the extension count, the descriptors' shapes, the CTA
// block's DTD offset, padding and data block lengths. Empty when nothing is. Pure.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "edid_editor/edid_model.h"

namespace brixel::edid_editor {

std::vector<std::string> checkEdid(std::span<const uint8_t> bytes);

}  // namespace brixel::edid_editor
