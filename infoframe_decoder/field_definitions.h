// SPDX-License-Identifier: MIT
#pragma once
// How each InfoFrame's fields are laid out, as the tables the decoder walks:
// by type (and, for vendor-specific frames, by OUI), field by field, with the
// names of every code. Tests walk the same tables.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "infoframe_decoder/infoframe_decoder.h"

namespace brixel::infoframe_decoder {

// The payload as far as the frame has it (its length, or fewer bytes where it
// is cut short). Payload bytes count from 1, as PB1, PB2 ... do.
class FrameView {
public:
    FrameView(std::span<const uint8_t> payload, uint8_t version) : payload_(payload), version_(version) {}

    uint8_t version() const { return version_; }
    std::size_t size() const { return payload_.size(); }
    bool has(std::size_t pb) const { return pb >= 1 && pb <= payload_.size(); }
    unsigned byte(std::size_t pb) const { return has(pb) ? payload_[pb - 1] : 0u; }
    unsigned bits(std::size_t pb, unsigned shift, unsigned width) const {
        return byte(pb) >> shift & ((1u << width) - 1u);
    }
    // 16 bits, low byte first.
    unsigned word(std::size_t pb) const { return byte(pb) | byte(pb + 1) << 8; }
    std::span<const uint8_t> bytes(std::size_t fromPb) const {
        return fromPb >= 1 && fromPb <= payload_.size() ? payload_.subspan(fromPb - 1) : std::span<const uint8_t>{};
    }

private:
    std::span<const uint8_t> payload_;
    uint8_t version_;
};

enum class FieldKind : uint8_t {
    coded,    // bits -> {code, names[code]}; "reserved" past the names
    flag,     // one bit -> bool
    integer,  // bits -> int64
    number,   // bits -> Number in `unit`
    text,     // `width` bytes of 7-bit ASCII, up to the first NUL
    derived,  // whatever `derive` adds
};

// Adds the fields and problems that need more than one place of the frame.
using Derive = void (*)(const FrameView&, DecodedFrame&);

struct FieldDefinition {
    FieldKind kind = FieldKind::derived;
    std::string_view key{};
    std::string_view label{};
    uint8_t pb = 0;  // payload byte, from 1
    uint8_t shift = 0;
    uint8_t width = 8;  // bits; bytes for text
    std::span<const std::string_view> names{};
    std::string_view unit{};
    bool reservedIsProblem = true;  // a "reserved" code is a problem of the frame
    Derive derive = nullptr;
};

// Bits a version of a frame reserves, which must be 0.
struct ReservedBits {
    uint8_t pb;
    uint8_t mask;
    uint8_t fromVersion = 0;
    uint8_t toVersion = 255;
};

struct KnownVersion {
    uint8_t version;
    uint8_t length;     // payload bytes it has ...
    uint8_t maxLength;  // ... up to this many
};

// Runs after the fields: the summary and the checks across fields.
using Finish = void (*)(const FrameView&, DecodedFrame&);

struct TypeDefinition {
    uint8_t code;
    FrameType type;
    std::string_view name;      // "AVI"
    std::string_view longName;  // "AVI InfoFrame"
    std::span<const KnownVersion> versions;
    std::span<const ReservedBits> reserved;
    std::span<const FieldDefinition> fields;
    Finish finish;
};

struct VendorDefinition {
    uint32_t oui;
    std::string_view owner;
    uint8_t minLength;  // payload bytes, the OUI's three included
    uint8_t maxLength;
    std::span<const FieldDefinition> fields;  // PB1 to PB3 are the OUI
    Finish finish;
};

// The five types the decoder knows, and the vendors of vendor-specific frames.
std::span<const TypeDefinition> typeDefinitions();
std::span<const VendorDefinition> vendorDefinitions();
const TypeDefinition* typeDefinition(uint8_t typeCode);
const VendorDefinition* vendorDefinition(uint32_t oui);

inline constexpr std::string_view reservedName = "reserved";

// The OUIs whose frames are decoded beyond their payload's hex.
inline constexpr uint32_t hdmiLlcOui = 0x000C03;
inline constexpr uint32_t hdmiForumOui = 0xC45DD8;
inline constexpr uint32_t hdr10PlusOui = 0x90848B;
inline constexpr uint32_t dolbyOui = 0x00D046;

// "C4-5D-D8".
std::string ouiText(uint32_t oui);

}  // namespace brixel::infoframe_decoder
