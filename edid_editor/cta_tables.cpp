// SPDX-License-Identifier: MIT
#include "edid_editor/cta_tables.h"

#include <string>

#include "text/hex.h"

namespace brixel::edid_editor {
namespace {

constexpr std::size_t ouiSize = 3;

std::string ouiText(uint32_t oui) {
    using text::HexCase;
    return text::hexByte(static_cast<uint8_t>(oui >> 16), HexCase::upper) + "-" +
           text::hexByte(static_cast<uint8_t>(oui >> 8), HexCase::upper) + "-" +
           text::hexByte(static_cast<uint8_t>(oui), HexCase::upper);
}

}  // namespace

const BlockKindRow* kindRow(BlockKind kind) {
    for (const auto& row : blockKinds)
        if (row.kind == kind) return &row;
    return nullptr;
}

const BlockKindRow* rowOf(const DataBlock& block) {
    const auto& b = block.bytes;
    if (b.empty()) return nullptr;
    const int tag = b[0] >> 5;
    for (const auto& row : blockKinds) {
        if (row.tag != tag) continue;
        if (row.extendedTag != noExtendedTag && (b.size() < 2 || b[1] != row.extendedTag)) continue;
        if (row.oui != noOui) {
            if (b.size() < row.fieldsAt) continue;
            const std::size_t at = row.fieldsAt - ouiSize;
            const uint32_t oui = static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16);
            if (row.oui != anyOui && row.oui != oui) continue;
        }
        return &row;
    }
    return nullptr;
}

std::optional<uint32_t> blockOui(const DataBlock& block) {
    const BlockKindRow* row = rowOf(block);
    if (!row || row->oui == noOui) return std::nullopt;
    const std::size_t at = row->fieldsAt - ouiSize;
    const auto& b = block.bytes;
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16);
}

std::string blockName(const DataBlock& block) {
    if (const BlockKindRow* row = rowOf(block)) {
        std::string name(row->name);
        if (row->oui == anyOui) name += ", OUI " + ouiText(*blockOui(block));
        return name;
    }
    if (block.bytes.empty()) return "Empty Data Block";
    const int tag = block.bytes[0] >> 5;
    const auto extended = extendedTag(block);
    const int key = extended ? 0x700 + *extended : tag;
    for (const auto& row : otherBlockNames)
        if (row.tag == key) return std::string(row.name);
    if (tag == tagVendor) return "Vendor-Specific Data Block without an OUI";
    if (tag == tagExtended && !extended) return "Extended Data Block without its tag";
    return extended ? "Data Block with extended tag " + std::to_string(*extended)
                    : "Data Block with tag " + std::to_string(tag);
}

std::string blockLabel(const DataBlock& block) {
    const BlockKindRow* row = rowOf(block);
    return row && row->oui != anyOui ? std::string(row->label) : blockName(block);
}

}  // namespace brixel::edid_editor
