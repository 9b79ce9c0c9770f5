// SPDX-License-Identifier: MIT
// The InfoFrames the decoder knows, field by field, with the names CTA-861
// gives their codes; and for vendor-specific frames the OUIs it knows.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "cta861/video_codes.h"
#include "infoframe/infoframe_bytes.h"
#include "infoframe_decoder/decoder_support.h"
#include "infoframe_decoder/field_definitions.h"
#include "text/hex.h"

namespace brixel::infoframe_decoder {
namespace {

using detail::addField;
using detail::codedName;
using detail::codeOf;
using detail::flagOf;
using detail::hexText;
using detail::integerOf;
using detail::numberOf;
using detail::numberText;
using K = FieldKind;
constexpr std::string_view R = reservedName;
constexpr std::string_view candelas = "cd/m²";

// Every code of a full table has its name: a row left out would read as "".
template <std::size_t N>
constexpr bool allNamed(const std::array<std::string_view, N>& names) {
    return std::none_of(names.begin(), names.end(), [](std::string_view n) { return n.empty(); });
}

std::string hexPayload(std::span<const uint8_t> bytes) { return text::hexBytes(bytes, ":"); }

void problem(DecodedFrame& frame, std::string sentence) { detail::addProblem(frame, std::move(sentence)); }

std::string joined(std::span<const std::string> parts, std::string_view separator) {
    std::string out;
    for (const auto& part : parts) {
        if (part.empty()) continue;
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}

// ---- AVI ---------------------------------------------------------------------------

constexpr std::array<std::string_view, 8> colourFormatNames{"RGB", "YCbCr 4:2:2", "YCbCr 4:4:4", "YCbCr 4:2:0", R, R,
                                                            R,     "IDO-defined"};
constexpr std::array<std::string_view, 4> barInfoNames{
    "none", "vertical bars (left and right)", "horizontal bars (top and bottom)", "vertical and horizontal bars"};
constexpr std::array<std::string_view, 4> scanNames{"no data", "overscanned", "underscanned", R};
constexpr std::array<std::string_view, 4> pictureAspectNames{"no data", "4:3", "16:9", R};
constexpr std::array<std::string_view, 16> activeFormatNames{R,
                                                             R,
                                                             "box 16:9 (top)",
                                                             "box 14:9 (top)",
                                                             "box wider than 16:9 (centre)",
                                                             R,
                                                             R,
                                                             R,
                                                             "same as the picture",
                                                             "4:3 (centre)",
                                                             "16:9 (centre)",
                                                             "14:9 (centre)",
                                                             R,
                                                             "4:3 (shoot and protect 14:9 centre)",
                                                             "16:9 (shoot and protect 14:9 centre)",
                                                             "16:9 (shoot and protect 4:3 centre)"};
constexpr std::array<std::string_view, 8> extendedColorimetryNames{"xvYCC601",
                                                                   "xvYCC709",
                                                                   "sYCC601",
                                                                   "opYCC601",
                                                                   "opRGB",
                                                                   "BT.2020 YcCbcCrc",
                                                                   "BT.2020 RGB or YCbCr",
                                                                   "additional colorimetry extension"};
constexpr std::array<std::string_view, 4> rgbQuantizationNames{"default", "limited", "full", R};
constexpr std::array<std::string_view, 4> scalingNames{"none", "horizontal", "vertical", "horizontal and vertical"};
constexpr std::array<std::string_view, 4> yccQuantizationNames{"limited", "full", R, R};
constexpr std::array<std::string_view, 4> contentTypeNames{"no data", "photo", "cinema", "game"};
constexpr std::string_view graphicsContent = "graphics";  // content type 0 when IT content is set
constexpr std::array<std::string_view, 16> repetitionNames{"none",
                                                           "sent twice",
                                                           "sent 3 times",
                                                           "sent 4 times",
                                                           "sent 5 times",
                                                           "sent 6 times",
                                                           "sent 7 times",
                                                           "sent 8 times",
                                                           "sent 9 times",
                                                           "sent 10 times",
                                                           R,
                                                           R,
                                                           R,
                                                           R,
                                                           R,
                                                           R};
constexpr std::array<std::string_view, 2> additionalColorimetryNames{"DCI-P3 RGB (D65)", "DCI-P3 RGB (theater)"};
static_assert(allNamed(colourFormatNames) && allNamed(activeFormatNames) && allNamed(extendedColorimetryNames) &&
              allNamed(repetitionNames));

// Where the AVI fields are (PB, shift, width).
struct Bits {
    uint8_t pb, shift, width;
};
constexpr Bits aviY{1, 5, 3};
constexpr Bits aviA{1, 4, 1};
constexpr Bits aviBars{1, 2, 2};
constexpr Bits aviC{2, 6, 2};
constexpr Bits aviM{2, 4, 2};
constexpr Bits aviItc{3, 7, 1};
constexpr Bits aviEc{3, 4, 3};
constexpr Bits aviQ{3, 2, 2};
constexpr Bits aviYq{5, 6, 2};
constexpr Bits aviCn{5, 4, 2};
constexpr Bits aviPr{5, 0, 4};
constexpr Bits aviAce{14, 4, 4};
constexpr uint8_t aviVicPb = 4;
constexpr uint8_t aviVersionWithAce = 4;
constexpr uint8_t aviVersionWith8BitVic = 3;

unsigned read(const FrameView& view, Bits b) { return view.bits(b.pb, b.shift, b.width); }

std::optional<int> additionalColorimetry(const FrameView& view) {
    if (view.version() < aviVersionWithAce || !view.has(aviAce.pb)) return std::nullopt;
    return static_cast<int>(read(view, aviAce));
}

void aviColorimetry(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(aviC.pb)) return addField(frame, "colorimetry", "Colorimetry", {});
    const int y = static_cast<int>(read(view, aviY));
    const int c = static_cast<int>(read(view, aviC));
    const int ec = static_cast<int>(read(view, aviEc));
    const auto ace = additionalColorimetry(view);
    const auto resolved = detail::resolveColorimetry(y, c, ec, ace);
    addField(frame, "colorimetry", "Colorimetry", Coded{c, resolved.name});
    if (c != 3) return;
    if (ec == 7 && view.version() < aviVersionWithAce)
        problem(frame, detail::concat("Extended colorimetry code 7 is reserved before AVI version 4; this frame is "
                                      "version ",
                                      std::to_string(view.version()), "."));
    const bool rgb = y == 0;
    const bool ycc = y >= 1 && y <= 3;
    const bool rgbOnly = ec == 4 || (ec == 7 && ace && *ace <= 1);
    const bool yccOnly = ec <= 3 || ec == 5;
    if ((rgb && yccOnly) || (ycc && rgbOnly))
        problem(frame,
                detail::concat("Colorimetry ", resolved.name, " is for ", rgb ? "YCbCr" : "RGB",
                               ", but the colour format is ", colourFormatNames[static_cast<std::size_t>(y)], "."));
}

void aviContentType(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(aviCn.pb)) return addField(frame, "contentType", "Content type", {});
    const unsigned cn = read(view, aviCn);
    const bool it = read(view, aviItc) != 0;
    addField(frame, "contentType", "Content type",
             Coded{static_cast<int>(cn), std::string(cn == 0 && it ? graphicsContent : contentTypeNames[cn])});
}

std::string formatWithAspect(const cta861::VideoCode& code) {
    return cta861::videoFormatName(code) + " " + std::string(cta861::aspectName(code.aspect));
}

void aviVic(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(aviVicPb)) {
        addField(frame, "vic", "VIC", {});
        return addField(frame, "videoFormat", "Video format", {});
    }
    const int vic = static_cast<int>(view.byte(aviVicPb));
    addField(frame, "vic", "VIC", int64_t{vic});
    const auto* code = cta861::videoCodeInfo(vic);
    addField(frame, "videoFormat", "Video format", code ? FieldValue{formatWithAspect(*code)} : FieldValue{});
    if (vic > 127 && view.version() < aviVersionWith8BitVic)
        problem(frame, detail::concat("VIC ", std::to_string(vic), " needs AVI version 3; version ",
                                      std::to_string(view.version()), " carries VICs up to 127."));
    else if (vic != 0 && !code)
        problem(frame, detail::concat("VIC ", std::to_string(vic), " is reserved."));
}

void aviBarPositions(const FrameView& view, DecodedFrame& frame) {
    const unsigned bars = read(view, aviBars);
    const auto bar = [&](std::string_view key, std::string_view label, uint8_t pb, bool valid) {
        addField(frame, key, label, valid && view.has(pb + 1u) ? FieldValue{int64_t{view.word(pb)}} : FieldValue{});
    };
    bar("topBarEnd", "End of top bar (line)", 6, bars & 2);
    bar("bottomBarStart", "Start of bottom bar (line)", 8, bars & 2);
    bar("leftBarEnd", "End of left bar (pixel)", 10, bars & 1);
    bar("rightBarStart", "Start of right bar (pixel)", 12, bars & 1);
}

constexpr FieldDefinition aviFields[] = {
    {K::coded, "colourFormat", "Colour format", 1, 5, 3, colourFormatNames},
    {K::flag, "activeFormatPresent", "Active format present", 1, 4, 1},
    {K::coded, "barInfo", "Bar information", 1, 2, 2, barInfoNames},
    {K::coded, "scan", "Scan information", 1, 0, 2, scanNames},
    {.key = "colorimetry", .derive = aviColorimetry},
    {K::coded, "pictureAspect", "Picture aspect", 2, 4, 2, pictureAspectNames},
    // Meaningful only with the active format present; checked below.
    {K::coded, "activeFormatAspect", "Active format aspect", 2, 0, 4, activeFormatNames, {}, false},
    {K::flag, "itContent", "IT content", 3, 7, 1},
    {K::coded, "extendedColorimetry", "Extended colorimetry", 3, 4, 3, extendedColorimetryNames, {}, false},
    {K::coded, "rgbQuantization", "RGB quantization range", 3, 2, 2, rgbQuantizationNames},
    {K::coded, "nonUniformScaling", "Non-uniform scaling", 3, 0, 2, scalingNames},
    {.key = "vic", .derive = aviVic},
    {K::coded, "yccQuantization", "YCC quantization range", 5, 6, 2, yccQuantizationNames},
    {.key = "contentType", .derive = aviContentType},
    {K::coded, "pixelRepetition", "Pixel repetition", 5, 0, 4, repetitionNames},
    {.key = "bars", .derive = aviBarPositions},
    {K::coded, "additionalColorimetry", "Additional colorimetry", 14, 4, 4, additionalColorimetryNames},
};

constexpr std::array<KnownVersion, 3> aviVersions{{{2, 13, 13}, {3, 13, 13}, {4, 14, 14}}};
// Version 2 has two colour format bits, and version 4 leaves PB14's low bits free.
constexpr std::array<ReservedBits, 2> aviReserved{{{1, 0x80, 0, 2}, {14, 0x0F, 4, 255}}};

void aviFinish(const FrameView& view, DecodedFrame& frame) {
    const int y = static_cast<int>(read(view, aviY));
    const int vic = static_cast<int>(view.byte(aviVicPb));
    const auto* code = cta861::videoCodeInfo(vic);
    const int repetition = static_cast<int>(read(view, aviPr)) + 1;

    if (read(view, aviA) && view.has(2) && codedName(activeFormatNames, view.bits(2, 0, 4)) == R)
        problem(frame,
                detail::concat("Active format aspect code ", std::to_string(view.bits(2, 0, 4)), " is reserved."));
    if (code && view.has(aviPr.pb) && repetition <= 10 && !code->allowsRepetition(repetition))
        problem(frame, detail::concat("Pixel repetition ", repetitionNames[static_cast<std::size_t>(repetition - 1)],
                                      " is not one that VIC ", std::to_string(vic), " (",
                                      cta861::videoFormatName(*code), ") allows."));
    const unsigned m = read(view, aviM);
    if (code && (m == 1 || m == 2)) {
        const auto said = m == 1 ? cta861::PictureAspect::ratio4x3 : cta861::PictureAspect::ratio16x9;
        const bool comparable =
            code->aspect == cta861::PictureAspect::ratio4x3 || code->aspect == cta861::PictureAspect::ratio16x9;
        if (comparable && code->aspect != said)
            problem(frame, detail::concat("Picture aspect ", pictureAspectNames[m], " contradicts VIC ",
                                          std::to_string(vic), ", a ", cta861::aspectName(code->aspect), " format."));
    }

    std::string& summary = frame.summary;
    summary.reserve(96);
    const auto* videoFormat = std::get_if<std::string>(detail::valueOf(frame, "videoFormat"));
    summary = vic == 0 ? "format not given (VIC 0)" : videoFormat ? *videoFormat : "VIC " + std::to_string(vic);
    if (code && repetition > 1 && repetition <= 10)
        summary += detail::concat(" (", repetitionNames[static_cast<std::size_t>(repetition - 1)], ")");
    summary += detail::concat(", ", colourFormatNames[static_cast<std::size_t>(y)]);
    const auto colorimetry = detail::resolveColorimetry(
        y, static_cast<int>(read(view, aviC)), static_cast<int>(read(view, aviEc)), additionalColorimetry(view));
    if (!colorimetry.base.empty()) summary += detail::concat(", ", colorimetry.name);
    const auto range =
        detail::quantizationRange(y, static_cast<int>(read(view, aviQ)), static_cast<int>(read(view, aviYq)), vic);
    if (!range.empty()) summary += detail::concat(", ", range, " range");
}

// ---- HDR (Dynamic Range and Mastering) ------------------------------------------------

constexpr std::array<std::string_view, 8> eotfNames{
    "SDR (traditional gamma)", "HDR (traditional gamma)", "PQ (SMPTE ST 2084)", "HLG", R, R, R, R};
constexpr std::array<std::string_view, 8> descriptorNames{"static metadata type 1", R, R, R, R, R, R, R};
constexpr uint8_t eotfPq = 2;

// The presets' display names, in the presets' order.
constexpr std::array<std::string_view, 3> presetNames{"BT.2020", "DCI-P3", "BT.709"};
static_assert(presetNames.size() == infoframe::primaryPresets.size());
// Sources round the primaries differently (0.708 or 0.70800); 0.002 is far
// below the 0.028 between the nearest two different primaries of the presets.
constexpr double chromaticityTolerance = 0.002;
// Codes per unit, as the builder rounds them: exact, where 1 / 0.00002 is not.
constexpr double chromaticityDivisor = infoframe::detail::fieldValue(1.0, infoframe::chromaticityStep);
constexpr double minLuminanceDivisor = infoframe::detail::fieldValue(1.0, infoframe::minLuminanceStep);
static_assert(chromaticityDivisor == 50000 && minLuminanceDivisor == 10000);
constexpr unsigned chromaticityMax = 50000;  // 1.0

bool near(const Point& p, const infoframe::Chromaticity& c) {
    return std::abs(p.x - c.x) <= chromaticityTolerance && std::abs(p.y - c.y) <= chromaticityTolerance;
}

// The preset whose three primaries the frame gives, in whatever order.
std::optional<std::string_view> recognisedPrimaries(const Points& points) {
    for (std::size_t k = 0; k < infoframe::primaryPresets.size(); ++k) {
        const auto& preset = infoframe::primaryPresets[k];
        const infoframe::Chromaticity rgb[] = {preset.red, preset.green, preset.blue};
        const bool all = std::all_of(std::begin(rgb), std::end(rgb), [&](const infoframe::Chromaticity& c) {
            return std::any_of(points.begin(), points.end(), [&](const Point& p) { return near(p, c); });
        });
        if (all) return presetNames[k];
    }
    return std::nullopt;
}

// The descriptor's fields; PB3 on.
constexpr uint8_t primariesPb = 3;
constexpr uint8_t whitePointPb = 15;
constexpr uint8_t maxLuminancePb = 19;
constexpr uint8_t minLuminancePb = 21;
constexpr uint8_t maxCllPb = 23;
constexpr uint8_t maxFallPb = 25;

void hdrStaticMetadata(const FrameView& view, DecodedFrame& frame) {
    const bool type1 = view.bits(2, 0, 3) == 0;
    const auto point = [&](std::size_t pb) {
        return Point{view.word(pb) / chromaticityDivisor, view.word(pb + 2) / chromaticityDivisor};
    };
    const auto has = [&](std::size_t pb) { return type1 && view.has(pb); };
    FieldValue primaries, primariesName, white, whiteName;
    if (has(whitePointPb - 1)) {
        Points points;
        for (std::size_t k = 0; k < 3; ++k) points.push_back(point(primariesPb + 4 * k));
        if (auto name = recognisedPrimaries(points)) primariesName = std::string(*name);
        primaries = std::move(points);
    }
    if (has(whitePointPb + 3)) {
        const Point w = point(whitePointPb);
        white = w;
        if (near(w, infoframe::whiteD65)) whiteName = std::string("D65");
    }
    addField(frame, "displayPrimaries", "Display primaries", primaries);
    addField(frame, "primaries", "Primaries", primariesName);
    addField(frame, "whitePoint", "White point", white);
    addField(frame, "whitePointName", "White point name", whiteName);
    const auto luminance = [&](std::string_view key, std::string_view label, std::size_t pb, double divisor,
                               bool zeroIsUnknown) {
        addField(frame, key, label,
                 has(pb + 1) ? FieldValue{Number{view.word(pb) / divisor, candelas, zeroIsUnknown}} : FieldValue{});
    };
    luminance("maxMasteringLuminance", "Max mastering luminance", maxLuminancePb, 1, true);
    luminance("minMasteringLuminance", "Min mastering luminance", minLuminancePb, minLuminanceDivisor, false);
    luminance("maxCll", "MaxCLL", maxCllPb, 1, true);
    luminance("maxFall", "MaxFALL", maxFallPb, 1, true);
    if (!type1) addField(frame, "metadata", "Metadata", hexPayload(view.bytes(primariesPb)));
}

constexpr FieldDefinition hdrFields[] = {
    {K::coded, "eotf", "EOTF", 1, 0, 3, eotfNames},
    {K::coded, "descriptorType", "Metadata descriptor", 2, 0, 3, descriptorNames},
    {.key = "staticMetadata", .derive = hdrStaticMetadata},
};
constexpr std::array<KnownVersion, 1> hdrVersions{{{1, 26, 26}}};
constexpr std::array<ReservedBits, 2> hdrReserved{{{1, 0xF8}, {2, 0xF8}}};

std::string luminanceText(std::optional<double> value) {
    if (!value || *value == 0) return "unknown";
    return numberText(*value) + " " + std::string(candelas);
}

void hdrFinish(const FrameView& view, DecodedFrame& frame) {
    const auto maxL = numberOf(frame, "maxMasteringLuminance");
    const auto minL = numberOf(frame, "minMasteringLuminance");
    const auto cll = numberOf(frame, "maxCll");
    const auto fall = numberOf(frame, "maxFall");
    const bool type1 = view.bits(2, 0, 3) == 0;

    if (type1 && view.has(maxFallPb + 1)) {
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t pb = primariesPb + 4 * k;
            if (view.word(pb) > chromaticityMax || view.word(pb + 2) > chromaticityMax)
                problem(frame, std::string(k < 3 ? "Display primary " + std::to_string(k + 1) : "The white point") +
                                   " lies outside the chromaticity range 0 to 1.");
        }
        if (view.bits(1, 0, 3) == eotfPq && *maxL == 0 && *minL == 0 && *cll == 0 && *fall == 0)
            problem(frame,
                    "The EOTF is PQ but the frame gives no luminance at all: mastering luminance, MaxCLL and "
                    "MaxFALL are all 0.");
        if (*maxL != 0 && *minL >= *maxL)
            problem(frame, detail::concat("The minimum mastering luminance (", luminanceText(minL),
                                          ") is not below the maximum (", luminanceText(maxL), ")."));
        if (*cll != 0 && *fall > *cll)
            problem(frame, detail::concat("MaxFALL (", luminanceText(fall), ") exceeds MaxCLL (", luminanceText(cll),
                                          "); a frame's average cannot be brighter than its brightest pixel."));
    }

    std::string parts[6];
    parts[0] = std::string(codedName(eotfNames, view.bits(1, 0, 3)));
    if (type1 && view.has(whitePointPb - 1)) {
        const auto* name = std::get_if<std::string>(detail::valueOf(frame, "primaries"));
        const auto* white = std::get_if<std::string>(detail::valueOf(frame, "whitePointName"));
        parts[1] =
            (name ? *name : std::string("other")) + " primaries" + (white ? ", " + *white + " white" : std::string());
    }
    if (maxL) parts[2] = "mastering " + numberText(minL.value_or(0)) + " to " + luminanceText(maxL);
    if (cll) parts[3] = "MaxCLL " + luminanceText(cll);
    if (fall) parts[4] = "MaxFALL " + luminanceText(fall);
    if (!type1) parts[5] = "metadata of a reserved descriptor";
    frame.summary = joined(parts, ", ");
}

// ---- SPD -----------------------------------------------------------------------------------

constexpr std::array<std::string_view, 14> sourceTypeNames{
    "unknown",  "digital STB", "DVD player", "D-VHS",        "HDD videorecorder", "DVC",    "DSC",
    "Video CD", "game",        "PC general", "Blu-ray Disc", "Super Audio CD",    "HD DVD", "PMP"};

constexpr FieldDefinition spdFields[] = {
    {K::text, "vendorName", "Vendor name", 1, 0, 8},
    {K::text, "productDescription", "Product description", 9, 0, 16},
    {K::coded, "sourceType", "Source type", 25, 0, 8, sourceTypeNames},
};
constexpr std::array<KnownVersion, 1> spdVersions{{{1, 25, 25}}};

void spdFinish(const FrameView&, DecodedFrame& frame) {
    const auto text = [&](std::string_view key) {
        const auto* value = std::get_if<std::string>(detail::valueOf(frame, key));
        return value ? *value : std::string();
    };
    const std::string name[] = {text("vendorName"), text("productDescription")};
    std::string summary = joined(name, " ");
    if (summary.empty()) summary = "no name";
    if (const auto* type = std::get_if<Coded>(detail::valueOf(frame, "sourceType"))) summary += ", " + type->name;
    frame.summary = summary;
}

// ---- Audio ---------------------------------------------------------------------------------

constexpr std::string_view fromStream = "refer to stream header";
constexpr std::array<std::string_view, 16> codingTypeNames{fromStream,      "L-PCM",
                                                           "AC-3",          "MPEG-1",
                                                           "MP3",           "MPEG-2 multichannel",
                                                           "AAC LC",        "DTS",
                                                           "ATRAC",         "One Bit Audio",
                                                           "Enhanced AC-3", "DTS-HD",
                                                           "MAT (MLP)",     "DST",
                                                           "WMA Pro",       "refer to coding extension"};
constexpr std::array<std::string_view, 8> sampleRateNames{fromStream, "32 kHz", "44.1 kHz",  "48 kHz",
                                                          "88.2 kHz", "96 kHz", "176.4 kHz", "192 kHz"};
constexpr std::array<std::string_view, 4> sampleSizeNames{fromStream, "16 bit", "20 bit", "24 bit"};
constexpr std::array<std::string_view, 16> codingExtensionNames{"refer to coding type",
                                                                R,
                                                                R,
                                                                R,
                                                                "MPEG-4 HE AAC",
                                                                "MPEG-4 HE AAC v2",
                                                                "MPEG-4 AAC LC",
                                                                "DRA",
                                                                "MPEG-4 HE AAC + MPEG Surround",
                                                                R,
                                                                "MPEG-4 AAC LC + MPEG Surround",
                                                                "MPEG-H 3D Audio",
                                                                "AC-4",
                                                                "L-PCM 3D Audio",
                                                                "Auro-Cx",
                                                                "MPEG-D USAC"};
constexpr std::array<std::string_view, 4> lfePlaybackNames{"no information", "0 dB", "+10 dB", R};
static_assert(allNamed(codingTypeNames) && allNamed(sampleRateNames) && allNamed(codingExtensionNames));

// The speakers of channels 3 to 8 for each channel allocation code (channels
// 1 and 2 are always front left and front right).
enum Speaker : uint8_t { no, LFE1, FC, BC, LS, RS, RLC, RRC, FLC, FRC, TpFC, TpC, TpFL, TpFR, FLW, FRW };
constexpr std::array<std::string_view, 16> speakerNames{"",    "LFE1", "FC",   "BC",  "LS",   "RS",   "RLC", "RRC",
                                                        "FLC", "FRC",  "TpFC", "TpC", "TpFL", "TpFR", "FLW", "FRW"};
using Channels = std::array<Speaker, 6>;
// clang-format off
constexpr std::array<Channels, 0x32> channelAllocations{{
    {no, no, no, no, no, no},       {LFE1, no, no, no, no, no},     {no, FC, no, no, no, no},       {LFE1, FC, no, no, no, no},
    {no, no, BC, no, no, no},       {LFE1, no, BC, no, no, no},     {no, FC, BC, no, no, no},       {LFE1, FC, BC, no, no, no},
    {no, no, LS, RS, no, no},       {LFE1, no, LS, RS, no, no},     {no, FC, LS, RS, no, no},       {LFE1, FC, LS, RS, no, no},
    {no, no, LS, RS, BC, no},       {LFE1, no, LS, RS, BC, no},     {no, FC, LS, RS, BC, no},       {LFE1, FC, LS, RS, BC, no},
    {no, no, LS, RS, RLC, RRC},     {LFE1, no, LS, RS, RLC, RRC},   {no, FC, LS, RS, RLC, RRC},     {LFE1, FC, LS, RS, RLC, RRC},
    {no, no, no, no, FLC, FRC},     {LFE1, no, no, no, FLC, FRC},   {no, FC, no, no, FLC, FRC},     {LFE1, FC, no, no, FLC, FRC},
    {no, no, BC, no, FLC, FRC},     {LFE1, no, BC, no, FLC, FRC},   {no, FC, BC, no, FLC, FRC},     {LFE1, FC, BC, no, FLC, FRC},
    {no, no, LS, RS, FLC, FRC},     {LFE1, no, LS, RS, FLC, FRC},   {no, FC, LS, RS, FLC, FRC},     {LFE1, FC, LS, RS, FLC, FRC},
    {no, FC, LS, RS, TpFC, no},     {LFE1, FC, LS, RS, TpFC, no},   {no, FC, LS, RS, no, TpC},      {LFE1, FC, LS, RS, no, TpC},
    {no, no, LS, RS, TpFL, TpFR},   {LFE1, no, LS, RS, TpFL, TpFR}, {no, no, LS, RS, FLW, FRW},     {LFE1, no, LS, RS, FLW, FRW},
    {no, FC, LS, RS, BC, TpC},      {LFE1, FC, LS, RS, BC, TpC},    {no, FC, LS, RS, BC, TpFC},     {LFE1, FC, LS, RS, BC, TpFC},
    {no, FC, LS, RS, TpFC, TpC},    {LFE1, FC, LS, RS, TpFC, TpC},  {no, FC, LS, RS, TpFL, TpFR},   {LFE1, FC, LS, RS, TpFL, TpFR},
    {no, FC, LS, RS, FLW, FRW},     {LFE1, FC, LS, RS, FLW, FRW},
}};
// clang-format on

constexpr uint8_t audioChannelAllocationPb = 4;

void audioChannelCount(const FrameView& view, DecodedFrame& frame) {
    const unsigned cc = view.bits(1, 0, 3);
    addField(frame, "channelCount", "Channel count",
             view.has(1) && cc != 0 ? FieldValue{int64_t{cc + 1}} : FieldValue{});
}

void audioChannelAllocation(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(audioChannelAllocationPb)) {
        addField(frame, "channelAllocation", "Channel allocation", {});
        return addField(frame, "speakers", "Speakers", {});
    }
    const unsigned ca = view.byte(audioChannelAllocationPb);
    if (ca >= channelAllocations.size()) {
        addField(frame, "channelAllocation", "Channel allocation", Coded{static_cast<int>(ca), std::string(R)});
        addField(frame, "speakers", "Speakers", {});
        return problem(frame, detail::concat("Channel allocation ", hexText(ca), " is reserved."));
    }
    Texts speakers{"FL", "FR"};
    std::size_t channels = 2;
    for (std::size_t k = 0; k < 6; ++k) {
        const Speaker s = channelAllocations[ca][k];
        if (s == no) continue;
        speakers.emplace_back(speakerNames[s]);
        channels = k + 3;
    }
    addField(frame, "channelAllocation", "Channel allocation", Coded{static_cast<int>(ca), joined(speakers, " ")});
    addField(frame, "speakers", "Speakers", std::move(speakers));
    const unsigned cc = view.bits(1, 0, 3);
    if (cc != 0 && channels > cc + 1)
        problem(frame,
                detail::concat("Channel allocation ", hexText(ca), " places speakers on ", std::to_string(channels),
                               " channels, but the frame says ", std::to_string(cc + 1), " channels."));
}

constexpr FieldDefinition audioFields[] = {
    {K::coded, "codingType", "Coding type", 1, 4, 4, codingTypeNames},
    {.key = "channelCount", .derive = audioChannelCount},
    {K::coded, "sampleRate", "Sample rate", 2, 2, 3, sampleRateNames},
    {K::coded, "sampleSize", "Sample size", 2, 0, 2, sampleSizeNames},
    {K::coded, "codingExtension", "Coding extension", 3, 0, 5, codingExtensionNames},
    {.key = "channelAllocation", .derive = audioChannelAllocation},
    {K::number, "levelShift", "Level shift", 5, 3, 4, {}, "dB"},
    {K::flag, "downmixInhibit", "Down-mix inhibited", 5, 7, 1},
    {K::coded, "lfePlaybackLevel", "LFE playback level", 5, 0, 2, lfePlaybackNames},
};
constexpr std::array<KnownVersion, 1> audioVersions{{{1, 10, 10}}};
constexpr std::array<ReservedBits, 9> audioReserved{
    {{1, 0x08}, {2, 0xE0}, {3, 0xE0}, {5, 0x04}, {6, 0xFF}, {7, 0xFF}, {8, 0xFF}, {9, 0xFF}, {10, 0xFF}}};
constexpr unsigned referToCodingExtension = 15;

void audioFinish(const FrameView& view, DecodedFrame& frame) {
    const unsigned ct = view.bits(1, 4, 4);
    const unsigned cxt = view.bits(3, 0, 5);
    if (view.has(3) && ct != referToCodingExtension && cxt != 0)
        problem(frame,
                "Coding extension " + std::to_string(cxt) + " is given, but the coding type does not refer to it.");
    if (view.has(3) && ct == referToCodingExtension && cxt == 0)
        problem(frame, "The coding type refers to the coding extension, which is 0.");

    // What the frame gives, then what it leaves to the stream.
    std::string& summary = frame.summary;
    summary.reserve(96);
    const auto add = [&](std::string_view part) { summary += summary.empty() ? part : detail::concat(", ", part); };
    std::string_view fromTheStream[4];
    std::size_t left = 0;
    const auto coded = [&](std::string_view key, std::string_view what) {
        const auto* value = std::get_if<Coded>(detail::valueOf(frame, key));
        if (!value) return;
        if (value->code == 0)
            fromTheStream[left++] = what;
        else
            add(value->name);
    };
    coded("codingType", "coding");
    if (const auto channels = integerOf(frame, "channelCount"))
        add(std::to_string(*channels) + " channels");
    else
        fromTheStream[left++] = "channel count";
    coded("sampleRate", "sample rate");
    coded("sampleSize", "sample size");
    if (const auto* allocation = std::get_if<Coded>(detail::valueOf(frame, "channelAllocation")))
        add(detail::concat("speakers ", allocation->name));
    if (left == 0) return;
    std::string said(fromTheStream[0]);
    for (std::size_t k = 1; k < left; ++k) said += detail::concat(k + 1 == left ? " and " : ", ", fromTheStream[k]);
    add(said + " from the stream");
}

// ---- Vendor-specific -----------------------------------------------------------------------

constexpr std::array<std::string_view, 8> hdmiVideoFormatNames{"none", "extended resolution", "3D", R, R, R, R, R};
constexpr std::array<std::string_view, 9> threeDStructureNames{
    "frame packing",      "field alternative",
    "line alternative",   "side-by-side (full)",
    "L + depth",          "L + depth + graphics + graphics-depth",
    "top-and-bottom",     R,
    "side-by-side (half)"};
constexpr std::array<std::string_view, 8> threeDExtDataNames{
    "horizontal sub-sampling, odd left and odd right",  "horizontal sub-sampling, odd left and even right",
    "horizontal sub-sampling, even left and odd right", "horizontal sub-sampling, even left and even right",
    "quincunx matrix, odd left and odd right",          "quincunx matrix, odd left and even right",
    "quincunx matrix, even left and odd right",         "quincunx matrix, even left and even right"};
// 3D structures from here on carry their sub-sampling in the next byte.
constexpr unsigned threeDWithExtData = 8;
constexpr unsigned hdmiFormatExtended = 1;
constexpr unsigned hdmiFormat3d = 2;

void addThreeD(const FrameView& view, DecodedFrame& frame, std::size_t pb, bool present) {
    const unsigned structure = view.bits(pb, 4, 4);
    present = present && view.has(pb);
    addField(frame, "threeDStructure", "3D structure",
             present ? FieldValue{Coded{static_cast<int>(structure),
                                        std::string(codedName(threeDStructureNames, structure))}}
                     : FieldValue{});
    const bool ext = present && structure >= threeDWithExtData;
    addField(frame, "threeDExtData", "3D sub-sampling",
             ext && view.has(pb + 1)
                 ? FieldValue{Coded{static_cast<int>(view.bits(pb + 1, 4, 4)),
                                    std::string(codedName(threeDExtDataNames, view.bits(pb + 1, 4, 4)))}}
                 : FieldValue{});
    if (!present) return;
    if (codedName(threeDStructureNames, structure) == R)
        problem(frame, detail::concat("The 3D structure code ", std::to_string(structure), " is reserved."));
    if (ext && !view.has(pb + 1))
        problem(frame,
                detail::concat("The 3D structure ", codedName(threeDStructureNames, structure),
                               " needs its sub-sampling in PB", std::to_string(pb + 1), ", which the frame lacks."));
    else if (ext && codedName(threeDExtDataNames, view.bits(pb + 1, 4, 4)) == R)
        problem(frame,
                detail::concat("The 3D sub-sampling code ", std::to_string(view.bits(pb + 1, 4, 4)), " is reserved."));
}

void hdmiDetails(const FrameView& view, DecodedFrame& frame) {
    const unsigned format = view.bits(4, 5, 3);
    const bool extended = format == hdmiFormatExtended && view.has(5);
    const unsigned hdmiVic = view.byte(5);
    const auto* code = extended ? cta861::hdmiVicInfo(static_cast<int>(hdmiVic)) : nullptr;
    addField(frame, "hdmiVic", "HDMI VIC", extended ? FieldValue{int64_t{hdmiVic}} : FieldValue{});
    addField(frame, "videoFormat", "Video format", code ? FieldValue{formatWithAspect(*code)} : FieldValue{});
    if (extended && !code) problem(frame, detail::concat("HDMI VIC ", std::to_string(hdmiVic), " is reserved."));
    if ((format == hdmiFormatExtended || format == hdmiFormat3d) && !view.has(5))
        problem(frame, "The HDMI video format needs PB5, which the frame lacks.");
    addThreeD(view, frame, 5, format == hdmiFormat3d);
    if (format == hdmiFormat3d && view.bits(5, 0, 3) != 0) detail::reservedBitsSet(frame, 5, view.byte(5) & 0x07);
}

void hdmiFinish(const FrameView& view, DecodedFrame& frame) {
    const unsigned format = view.bits(4, 5, 3);
    std::string what = "no extra video format";
    if (const auto* video = std::get_if<std::string>(detail::valueOf(frame, "videoFormat")))
        what = *video + " (HDMI VIC " + std::to_string(view.byte(5)) + ")";
    else if (const auto* structure = std::get_if<Coded>(detail::valueOf(frame, "threeDStructure")))
        what = "3D " + structure->name;
    else if (format != 0)
        what = "HDMI video format " + std::to_string(format);
    frame.summary = "HDMI 1.4: " + what;
}

void forumThreeD(const FrameView& view, DecodedFrame& frame) { addThreeD(view, frame, 6, view.bits(5, 0, 1) != 0); }

void forumFinish(const FrameView& view, DecodedFrame& frame) {
    if (view.has(4) && view.byte(4) != 1)
        problem(frame, detail::concat("HDMI Forum vendor-specific frame version ", std::to_string(view.byte(4)),
                                      " is not known; version 1 is."));
    std::string summary = "HDMI Forum: ALLM " + std::string(flagOf(frame, "allm") ? "on" : "off");
    if (const auto* structure = std::get_if<Coded>(detail::valueOf(frame, "threeDStructure")))
        summary += ", 3D " + structure->name;
    frame.summary = summary;
}

void hdr10PlusDetails(const FrameView& view, DecodedFrame& frame) {
    const auto list = [&](std::string_view key, std::string_view label, std::size_t pb) {
        if (!view.has(pb + 8)) return addField(frame, key, label, {});
        Integers values;
        for (std::size_t k = 0; k < 9; ++k) values.push_back(view.byte(pb + k));
        addField(frame, key, label, std::move(values));
    };
    list("distributionValues", "Distribution values", 6);
    addField(frame, "bezierAnchorCount", "Bézier anchors in use",
             view.has(15) ? FieldValue{int64_t{view.bits(15, 4, 4)}} : FieldValue{});
    // Knee point: 10 bits of x from PB15's low nibble on, then 10 bits of y.
    const unsigned x = view.bits(15, 0, 4) << 6 | view.bits(16, 2, 6);
    const unsigned y = view.bits(16, 0, 2) << 8 | view.byte(17);
    addField(frame, "kneePoint", "Knee point",
             view.has(17) ? FieldValue{Point{static_cast<double>(x), static_cast<double>(y)}} : FieldValue{});
    list("bezierAnchors", "Bézier anchors", 18);
}

void hdr10PlusFinish(const FrameView&, DecodedFrame& frame) {
    std::string summary = "HDR10+ dynamic metadata";
    if (const auto version = integerOf(frame, "applicationVersion"))
        summary += ", application version " + std::to_string(*version);
    frame.summary = summary;
}

void dolbyDetails(const FrameView& view, DecodedFrame& frame) {
    addField(frame, "layout", "Layout",
             std::string("best effort: Dolby does not publish this frame's layout; the flags are those public "
                         "sources describe"));
    const bool backlight = view.bits(5, 7, 1) != 0;
    addField(frame, "effectiveMaxPq", "Effective max luminance (PQ code)",
             backlight && view.has(6) ? FieldValue{int64_t{view.bits(5, 0, 4) << 8 | view.byte(6)}} : FieldValue{});
    addField(frame, "payload", "Payload", hexPayload(view.bytes(4)));
}

void dolbyFinish(const FrameView&, DecodedFrame& frame) {
    frame.summary = std::string("Dolby Vision (best effort): signal ") +
                    (flagOf(frame, "dolbyVisionSignal") ? "on" : "off") + ", low latency " +
                    (flagOf(frame, "lowLatency") ? "on" : "off");
}

constexpr FieldDefinition hdmiFields[] = {
    {K::coded, "hdmiVideoFormat", "HDMI video format", 4, 5, 3, hdmiVideoFormatNames},
    {.key = "hdmiVic", .derive = hdmiDetails},
};
constexpr FieldDefinition forumFields[] = {
    {K::integer, "forumVersion", "Version", 4, 0, 8},
    {K::flag, "threeDValid", "3D valid", 5, 0, 1},
    {K::flag, "allm", "Auto low-latency mode (ALLM)", 5, 1, 1},
    {K::integer, "ccbpc", "Content colour bits per component (code)", 5, 4, 4},
    {.key = "threeD", .derive = forumThreeD},
};
constexpr FieldDefinition hdr10PlusFields[] = {
    {K::integer, "applicationVersion", "Application version", 4, 6, 2},
    {K::integer, "targetDisplayLuminance", "Target display max luminance (code)", 4, 1, 5},
    {K::integer, "averageMaxRgb", "Average MaxRGB (code)", 5, 0, 8},
    {.key = "distributionValues", .derive = hdr10PlusDetails},
    {K::flag, "graphicsOverlay", "Graphics overlay", 27, 7, 1},
    {K::flag, "noDelay", "No delay", 27, 6, 1},
};
constexpr FieldDefinition dolbyFields[] = {
    {K::flag, "dolbyVisionSignal", "Dolby Vision signal", 4, 1, 1},
    {K::flag, "lowLatency", "Low latency", 4, 0, 1},
    {K::flag, "backlightMetadata", "Backlight metadata present", 5, 7, 1},
    {.key = "details", .derive = dolbyDetails},
};

constexpr uint8_t ouiBytes = 3;
constexpr std::array<VendorDefinition, 4> vendors{{
    {hdmiLlcOui, "HDMI Licensing", 4, 27, hdmiFields, hdmiFinish},
    {hdmiForumOui, "HDMI Forum", 5, 27, forumFields, forumFinish},
    {hdr10PlusOui, "HDR10+ Technologies", 27, 27, hdr10PlusFields, hdr10PlusFinish},
    {dolbyOui, "Dolby Laboratories", 4, 27, dolbyFields, dolbyFinish},
}};

uint32_t ouiOf(const FrameView& view) { return view.byte(1) | view.byte(2) << 8 | view.byte(3) << 16; }

void vendorOui(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(ouiBytes)) {
        addField(frame, "oui", "OUI", {});
        addField(frame, "owner", "Owner", {});
        return problem(frame, "The frame is too short to hold an OUI (3 payload bytes).");
    }
    const uint32_t oui = ouiOf(view);
    const auto* vendor = vendorDefinition(oui);
    addField(frame, "oui", "OUI", ouiText(oui));
    addField(frame, "owner", "Owner", vendor ? FieldValue{std::string(vendor->owner)} : FieldValue{});
    if (!vendor) return addField(frame, "payload", "Payload", hexPayload(view.bytes(ouiBytes + 1)));
    detail::walkFields(view, vendor->fields, frame);
    if (view.size() < vendor->minLength || view.size() > vendor->maxLength)
        problem(frame, "A frame of " + std::string(vendor->owner) + " has " +
                           (vendor->minLength == vendor->maxLength
                                ? std::to_string(vendor->minLength)
                                : std::to_string(vendor->minLength) + " to " + std::to_string(vendor->maxLength)) +
                           " payload bytes, not " + std::to_string(view.size()) + ".");
}

void vendorFinish(const FrameView& view, DecodedFrame& frame) {
    if (!view.has(ouiBytes)) {
        frame.summary = "no OUI";
        return;
    }
    const uint32_t oui = ouiOf(view);
    if (const auto* vendor = vendorDefinition(oui)) return vendor->finish(view, frame);
    frame.summary = "OUI " + ouiText(oui) + ", " + std::to_string(view.size() - ouiBytes) + " payload bytes";
}

constexpr FieldDefinition vendorFields[] = {{.key = "oui", .derive = vendorOui}};
// The device reports the vendor frames it captures with version 0.
// Too short for an OUI is said where the OUI is read.
constexpr std::array<KnownVersion, 2> vendorVersions{{{0, 0, 27}, {1, 0, 27}}};

constexpr std::array<TypeDefinition, 5> types{{
    {infoframe::vendor.type,
     FrameType::vendor,
     "Vendor",
     "Vendor-specific InfoFrame",
     vendorVersions,
     {},
     vendorFields,
     vendorFinish},
    {infoframe::avi.type, FrameType::avi, "AVI", "AVI InfoFrame", aviVersions, aviReserved, aviFields, aviFinish},
    {infoframe::spd.type, FrameType::spd, "SPD", "SPD InfoFrame", spdVersions, {}, spdFields, spdFinish},
    {infoframe::audio.type, FrameType::audio, "Audio", "Audio InfoFrame", audioVersions, audioReserved, audioFields,
     audioFinish},
    {infoframe::drm.type, FrameType::hdr, "HDR", "HDR InfoFrame (Dynamic Range and Mastering)", hdrVersions,
     hdrReserved, hdrFields, hdrFinish},
}};

}  // namespace

std::span<const TypeDefinition> typeDefinitions() { return types; }
std::span<const VendorDefinition> vendorDefinitions() { return vendors; }

const TypeDefinition* typeDefinition(uint8_t typeCode) {
    for (const auto& type : types)
        if (type.code == typeCode) return &type;
    return nullptr;
}

const VendorDefinition* vendorDefinition(uint32_t oui) {
    for (const auto& vendor : vendors)
        if (vendor.oui == oui) return &vendor;
    return nullptr;
}

namespace detail {

namespace {
struct ColorimetryRow {
    std::string_view base;  // for the signal's description: "BT.709"
    std::string_view name;
    bool namesModel;  // the name goes on with "RGB" or "YCbCr", by the colour format
};
constexpr std::array<ColorimetryRow, 3> colorimetryRows{
    {{"", "no data", false}, {"BT.601", "BT.601", true}, {"BT.709", "BT.709", true}}};
constexpr std::array<ColorimetryRow, 7> extendedRows{{{"xvYCC601", extendedColorimetryNames[0], false},
                                                      {"xvYCC709", extendedColorimetryNames[1], false},
                                                      {"sYCC601", extendedColorimetryNames[2], false},
                                                      {"opYCC601", extendedColorimetryNames[3], false},
                                                      {"opRGB", extendedColorimetryNames[4], false},
                                                      {"BT.2020 YcCbcCrc", extendedColorimetryNames[5], false},
                                                      {"BT.2020", "BT.2020", true}}};
constexpr std::array<ColorimetryRow, 2> additionalRows{{{"DCI-P3 (D65)", additionalColorimetryNames[0], false},
                                                        {"DCI-P3 (theater)", additionalColorimetryNames[1], false}}};
constexpr ColorimetryRow reservedRow{"", R, false};
}  // namespace

Colorimetry resolveColorimetry(int colourFormat, int colorimetry, int extended, std::optional<int> additional) {
    ColorimetryRow row = reservedRow;
    if (colorimetry < 3)
        row = colorimetryRows[static_cast<std::size_t>(colorimetry)];
    else if (extended < 7)
        row = extendedRows[static_cast<std::size_t>(extended)];
    else if (additional && *additional < static_cast<int>(additionalRows.size()))
        row = additionalRows[static_cast<std::size_t>(*additional)];
    std::string name(row.name);
    const std::string_view model = colourFormat == 0 ? "RGB" : colourFormat <= 3 ? "YCbCr" : "";
    if (row.namesModel && !model.empty()) name += " " + std::string(model);
    return {row.base, name};
}

std::string_view quantizationRange(int colourFormat, int rgbQuantization, int yccQuantization, int vic) {
    // RGB by default is limited for CTA formats but full for 640x480 and
    // formats without a VIC, which are IT formats.
    constexpr int itFormat = 1;
    if (colourFormat == 0) {
        if (rgbQuantization == 0) return vic <= itFormat ? "full" : "limited";
        return rgbQuantization == 3 ? "" : rgbQuantizationNames[static_cast<std::size_t>(rgbQuantization)];
    }
    if (colourFormat > 3 || yccQuantization > 1) return "";
    return yccQuantizationNames[static_cast<std::size_t>(yccQuantization)];
}

}  // namespace detail
}  // namespace brixel::infoframe_decoder
