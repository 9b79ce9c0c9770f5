// SPDX-License-Identifier: MIT
// The walk every frame takes: header, checksum, version and length, reserved
// bits, then its type's fields; and the signal read from the frames of one
// report.

#include <algorithm>
#include <charconv>
#include <string>

#include "cta861/video_codes.h"
#include "infoframe/infoframe_bytes.h"
#include "infoframe_decoder/decoder_support.h"
#include "text/hex.h"

namespace brixel::infoframe_decoder {
namespace {

using detail::addField;
using detail::hexText;

// An InfoFrame packet carries at most 27 payload bytes after its checksum.
constexpr std::size_t maxPayloadLength = infoframe::hdrMaxBytes - infoframe::headerSize;
constexpr uint8_t infoFrameTypeBit = 0x80;

struct OtherType {
    uint8_t code;
    std::string_view name;
};
// Types CTA-861 defines that the decoder shows only as hex.
constexpr OtherType otherTypes[] = {{0x85, "MPEG Source InfoFrame"}, {0x86, "NTSC VBI InfoFrame"}};

void checkVersion(const TypeDefinition& type, const FrameView& view, DecodedFrame& frame) {
    const auto known = std::find_if(type.versions.begin(), type.versions.end(),
                                    [&](const KnownVersion& v) { return v.version == frame.version; });
    if (known == type.versions.end()) {
        std::string versions;
        for (const auto& v : type.versions) versions += (versions.empty() ? "" : ", ") + std::to_string(v.version);
        detail::addProblem(frame,
                           detail::concat("Version ", std::to_string(frame.version), " is not a known version of the ",
                                          type.longName, " (known: ", versions, ")."));
        return;
    }
    // A length past any packet's is said once, on its own.
    if ((frame.length < known->length || frame.length > known->maxLength) && frame.length <= maxPayloadLength) {
        const std::string expected = known->length == known->maxLength
                                         ? std::to_string(known->length)
                                         : std::to_string(known->length) + " to " + std::to_string(known->maxLength);
        detail::addProblem(frame, detail::concat("Length ", std::to_string(frame.length), " does not fit version ",
                                                 std::to_string(frame.version), " of the ", type.longName,
                                                 ", which has ", expected, " payload bytes."));
    }
    for (const auto& bits : type.reserved) {
        if (frame.version < bits.fromVersion || frame.version > bits.toVersion || !view.has(bits.pb)) continue;
        const unsigned set = view.byte(bits.pb) & bits.mask;
        if (set != 0) detail::reservedBitsSet(frame, bits.pb, set);
    }
}

void unknownType(const FrameView& view, DecodedFrame& frame) {
    addField(frame, "payload", "Payload", text::hexBytes(view.bytes(1), ":"));
    const auto other = std::find_if(std::begin(otherTypes), std::end(otherTypes),
                                    [&](const OtherType& t) { return t.code == frame.typeCode; });
    if ((frame.typeCode & infoFrameTypeBit) == 0) {
        detail::addProblem(
            frame, "Type " + hexText(frame.typeCode) + " is not an InfoFrame type; InfoFrame types have bit 7 set.");
        frame.summary = "not an InfoFrame (type " + hexText(frame.typeCode) + ")";
    } else if (other != std::end(otherTypes)) {
        frame.summary = std::string(other->name) + ", not decoded";
    } else {
        frame.summary = "InfoFrame type " + hexText(frame.typeCode) + ", not decoded";
    }
}

// Bytes a person can read: 7-bit ASCII kept, anything else as \xNN.
std::string asciiText(std::span<const uint8_t> bytes, bool& clean) {
    std::string out;
    clean = true;
    for (const uint8_t b : bytes) {
        if (b == 0) break;
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            out += "\\x" + text::hexByte(b, text::HexCase::upper);
            clean = false;
        }
    }
    return out;
}

}  // namespace

const Field* DecodedFrame::field(std::string_view key) const {
    const auto it = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.key == key; });
    return it == fields.end() ? nullptr : &*it;
}

std::string ouiText(uint32_t oui) {
    return text::hexBytes(
        std::array{static_cast<uint8_t>(oui >> 16), static_cast<uint8_t>(oui >> 8), static_cast<uint8_t>(oui)}, "-",
        text::HexCase::upper);
}

namespace detail {

void walkFields(const FrameView& view, std::span<const FieldDefinition> definitions, DecodedFrame& frame) {
    for (const FieldDefinition& def : definitions) {
        if (def.kind == FieldKind::derived) {
            def.derive(view, frame);
            continue;
        }
        if (!view.has(def.pb)) {
            addField(frame, def.key, def.label, {});
            continue;
        }
        const unsigned bits = def.kind == FieldKind::text ? 0u : view.bits(def.pb, def.shift, def.width);
        switch (def.kind) {
            case FieldKind::coded: {
                const std::string_view name = codedName(def.names, bits);
                addField(frame, def.key, def.label, Coded{static_cast<int>(bits), std::string(name)});
                if (def.reservedIsProblem && name == reservedName)
                    addProblem(frame, concat(def.label, " code ", std::to_string(bits), " is reserved."));
                break;
            }
            case FieldKind::flag: addField(frame, def.key, def.label, bits != 0); break;
            case FieldKind::integer: addField(frame, def.key, def.label, int64_t{bits}); break;
            case FieldKind::number: addField(frame, def.key, def.label, Number{double(bits), def.unit}); break;
            case FieldKind::text: {
                const auto bytes = view.bytes(def.pb).first(std::min<std::size_t>(def.width, view.size() - def.pb + 1));
                bool clean = true;
                addField(frame, def.key, def.label, asciiText(bytes, clean));
                if (!clean)
                    detail::addProblem(frame,
                                       std::string(def.label) + " holds bytes that are not printable 7-bit ASCII.");
                break;
            }
            case FieldKind::derived: break;
        }
    }
}

std::string numberText(double value) {
    // The shortest decimal that reads back as `value`: the values decoded are
    // whole, or steps of 0.00002 and 0.0001, so this is at most five decimals.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    return std::string(text, end);
}

std::string hexText(unsigned byte) { return "0x" + text::hexByte(static_cast<uint8_t>(byte), text::HexCase::upper); }

const FieldValue* valueOf(const DecodedFrame& frame, std::string_view key) {
    const Field* field = frame.field(key);
    return field ? &field->value : nullptr;
}

std::optional<int> codeOf(const DecodedFrame& frame, std::string_view key) {
    const auto* coded = std::get_if<Coded>(valueOf(frame, key));
    return coded ? std::optional<int>(coded->code) : std::nullopt;
}

std::optional<int64_t> integerOf(const DecodedFrame& frame, std::string_view key) {
    const auto* value = std::get_if<int64_t>(valueOf(frame, key));
    return value ? std::optional<int64_t>(*value) : std::nullopt;
}

std::optional<double> numberOf(const DecodedFrame& frame, std::string_view key) {
    const auto* value = std::get_if<Number>(valueOf(frame, key));
    return value ? std::optional<double>(value->value) : std::nullopt;
}

bool flagOf(const DecodedFrame& frame, std::string_view key) {
    const auto* value = std::get_if<bool>(valueOf(frame, key));
    return value && *value;
}

}  // namespace detail

DecodedFrame decodeInfoFrame(std::span<const uint8_t> bytes) {
    DecodedFrame frame;
    if (bytes.empty()) {
        detail::addProblem(frame, "The frame is empty.");
        frame.summary = "empty";
        return frame;
    }
    frame.typeCode = bytes[0];
    frame.version = bytes.size() > 1 ? bytes[1] : 0;
    frame.length = bytes.size() > 2 ? bytes[2] : 0;
    frame.checksum = bytes.size() > infoframe::checksumIndex ? bytes[infoframe::checksumIndex] : 0;
    const TypeDefinition* type = typeDefinition(frame.typeCode);
    if (type) {
        frame.type = type->type;
        frame.typeName = type->name;
    }
    if (bytes.size() < infoframe::headerSize) {
        detail::addProblem(frame, "The frame has " + std::to_string(bytes.size()) +
                                      (bytes.size() == 1 ? " byte" : " bytes") +
                                      ", fewer than the 4 of an InfoFrame's header and checksum.");
        frame.summary = "cut short";
        return frame;
    }
    frame.fields.reserve(24);

    const std::size_t held = bytes.size() - infoframe::headerSize;
    const std::size_t available = std::min<std::size_t>(frame.length, held);
    const auto whole = bytes.first(infoframe::headerSize + available);
    if (held < frame.length)
        detail::addProblem(frame,
                           detail::concat("The length byte says ", std::to_string(frame.length),
                                          " payload bytes, but the frame holds only ", std::to_string(held), "."));
    if (frame.length > maxPayloadLength)
        detail::addProblem(
            frame, detail::concat("Length ", std::to_string(frame.length), " is more than the ",
                                  std::to_string(maxPayloadLength), " payload bytes an InfoFrame packet carries."));
    const unsigned sum = infoframe::byteSum(whole);
    frame.checksumValid = held >= frame.length && (sum & 0xFFu) == 0;
    if (held >= frame.length && !frame.checksumValid) {
        const uint8_t expected = infoframe::checksumForSum(sum - frame.checksum);
        detail::addProblem(frame, detail::concat("The checksum is ", hexText(frame.checksum),
                                                 ", but the frame's bytes need ", hexText(expected), "."));
    }

    const FrameView view(whole.subspan(infoframe::headerSize), frame.version);
    if (!type) {
        unknownType(view, frame);
        return frame;
    }
    checkVersion(*type, view, frame);
    detail::walkFields(view, type->fields, frame);
    type->finish(view, frame);
    return frame;
}

// ---- The signal ----------------------------------------------------------------------------

namespace {

const DecodedFrame* firstOf(std::span<const DecodedFrame> frames, FrameType type) {
    const auto it = std::find_if(frames.begin(), frames.end(), [&](const DecodedFrame& f) { return f.type == type; });
    return it == frames.end() ? nullptr : &*it;
}

const DecodedFrame* vendorFrame(std::span<const DecodedFrame> frames, uint32_t oui) {
    const std::string wanted = ouiText(oui);
    const auto it = std::find_if(frames.begin(), frames.end(), [&](const DecodedFrame& f) {
        const auto* text = std::get_if<std::string>(detail::valueOf(f, "oui"));
        return f.type == FrameType::vendor && text && *text == wanted;
    });
    return it == frames.end() ? nullptr : &*it;
}

// The DRM frame's EOTF codes, as the signal's name for them.
constexpr std::string_view eotfFormats[] = {"SDR", "HDR gamma", "HDR10", "HLG"};

// "3840x2160p60", with the picture's own width where pixels are repeated.
std::string videoText(const cta861::VideoCode& code, int repetition) {
    if (repetition <= 1) return cta861::videoFormatName(code);
    cta861::VideoCode picture = code;
    picture.hActive = static_cast<uint16_t>(code.hActive / repetition);
    return cta861::videoFormatName(picture);
}

}  // namespace

SignalSummary describeSignal(std::span<const DecodedFrame> frames, std::optional<int> bitsPerComponent) {
    using detail::codeOf;
    SignalSummary signal;
    const DecodedFrame* avi = firstOf(frames, FrameType::avi);
    const DecodedFrame* hdr = firstOf(frames, FrameType::hdr);
    const DecodedFrame* hdmi = vendorFrame(frames, hdmiLlcOui);
    const DecodedFrame* dolby = vendorFrame(frames, dolbyOui);

    const int eotf = hdr ? codeOf(*hdr, "eotf").value_or(0) : 0;
    signal.hdrFormat = eotf < static_cast<int>(std::size(eotfFormats)) ? eotfFormats[eotf] : "SDR";
    if (vendorFrame(frames, hdr10PlusOui)) signal.hdrFormat = "HDR10+";
    if (dolby && detail::flagOf(*dolby, "dolbyVisionSignal")) signal.hdrFormat = "Dolby Vision";

    std::vector<std::string> video;
    // An absent code and code 0 both mean none; plain ints, since GCC 12 at
    // -O2 takes an optional<int64_t> chosen by ?: for uninitialized (PR80635).
    const int vic = avi ? static_cast<int>(detail::integerOf(*avi, "vic").value_or(0)) : 0;
    const auto* code = cta861::videoCodeInfo(vic);
    const int hdmiVic = hdmi ? static_cast<int>(detail::integerOf(*hdmi, "hdmiVic").value_or(0)) : 0;
    if (!code && hdmiVic != 0) code = cta861::hdmiVicInfo(hdmiVic);
    const int repetition = avi ? codeOf(*avi, "pixelRepetition").value_or(0) + 1 : 1;
    video.push_back(code ? videoText(*code, repetition) : avi ? "unknown format" : "no AVI InfoFrame");
    if (const auto* structure = hdmi ? std::get_if<Coded>(detail::valueOf(*hdmi, "threeDStructure")) : nullptr)
        video.push_back("3D " + structure->name);
    if (avi) {
        const int y = codeOf(*avi, "colourFormat").value_or(0);
        if (const auto* format = std::get_if<Coded>(detail::valueOf(*avi, "colourFormat")))
            video.push_back(format->name);
        if (bitsPerComponent) video.push_back(std::to_string(*bitsPerComponent) + "-bit");
        const auto ace = codeOf(*avi, "additionalColorimetry");
        const auto colorimetry = detail::resolveColorimetry(y, codeOf(*avi, "colorimetry").value_or(0),
                                                            codeOf(*avi, "extendedColorimetry").value_or(0),
                                                            avi->version >= 4 ? ace : std::nullopt);
        if (!colorimetry.base.empty()) video.push_back(std::string(colorimetry.base));
        const auto range = detail::quantizationRange(y, codeOf(*avi, "rgbQuantization").value_or(0),
                                                     codeOf(*avi, "yccQuantization").value_or(0), vic);
        if (!range.empty()) video.push_back(std::string(range));
    } else if (bitsPerComponent) {
        video.push_back(std::to_string(*bitsPerComponent) + "-bit");
    }

    std::string description;
    for (const auto& part : video) description += (description.empty() ? "" : " ") + part;
    description += ", " + signal.hdrFormat;
    if (hdr && signal.hdrFormat != "SDR") {
        // The peak the source claims: the mastering display's, else the content's.
        for (const std::string_view key : {"maxMasteringLuminance", "maxCll"}) {
            const auto* peak = std::get_if<Number>(detail::valueOf(*hdr, key));
            if (!peak || peak->value <= 0) continue;
            description += " " + detail::numberText(peak->value) + " " + std::string(peak->unit);
            break;
        }
    }
    signal.description = description;
    return signal;
}

}  // namespace brixel::infoframe_decoder
