// SPDX-License-Identifier: MIT
#pragma once
// The edits that derive one EDID from another, as one plain set of options
// that mirrors the command line (--name, --drop hdr, --max-tmds 300 ...), the
// parsing of the options' texts that every front end shares, and the edit run
// itself: result bytes, what changed, what is wrong with the result, or why
// nothing could be made. Pure.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "edid_editor/edid_model.h"
#include "edid_editor/modes.h"

namespace brixel::edid_editor {

// What --drop takes away: the blocks and flags that announce it.
enum class Feature { hdr, hdr10Plus, dolbyVision, vrr, allm, audio, threeD, ycbcr420 };

struct FeatureName {
    Feature feature;
    std::string_view name;  // as --drop takes it
    std::string_view what;  // what goes
};
inline constexpr std::array featureNames{
    FeatureName{Feature::hdr, "hdr",
                "the HDR static and dynamic metadata blocks and the HDR10+ and Dolby Vision video blocks"},
    FeatureName{Feature::hdr10Plus, "hdr10plus", "the HDR10+ video block"},
    FeatureName{Feature::dolbyVision, "dolby-vision", "the Dolby Vision video block"},
    FeatureName{Feature::vrr, "vrr", "the HDMI Forum block's VRR range and VRR features, and AMD's FreeSync block"},
    FeatureName{Feature::allm, "allm", "the HDMI Forum block's ALLM flag"},
    FeatureName{Feature::audio, "audio",
                "the audio, speaker allocation and other audio blocks, and the basic audio flag"},
    FeatureName{Feature::threeD, "3d",
                "the HDMI block's 3D fields, the HDMI Forum block's 3D flags and stereo timings"},
    FeatureName{Feature::ycbcr420, "ycbcr420",
                "the YCbCr 4:2:0 video and capability map blocks and the HDMI Forum block's 4:2:0 flags"},
};

// --preferred: a VIC, or a mode.
using Preferred = std::variant<unsigned, ModeRequest>;

// Everything --name ... --preferred may ask for; what is not set is left alone.
struct EdidEdits {
    std::optional<std::string> name;
    std::optional<uint32_t> serial;
    std::optional<std::string> serialText;
    std::optional<uint16_t> product;
    std::optional<std::string> manufacturer;
    std::optional<unsigned> week;
    std::optional<unsigned> year;
    std::vector<Feature> drop;
    std::optional<unsigned> maxTmdsMhz;
    std::optional<ModeRequest> maxMode;
    std::optional<Bytes> audioFrom;  // the bytes of another EDID
    std::vector<unsigned> addVics;
    std::vector<unsigned> removeVics;
    std::optional<Preferred> preferred;
};

struct EditReport {
    std::vector<std::string> refusals;  // what cannot be done; any one means no result
    std::vector<std::string> notes;     // edits that found nothing to do
};

// The edits on the model, in a fixed order: identification, drops, audio, the
// limits, removed and added VICs, the preferred mode. Every refusal is
// collected, not only the first; `edid` is not to be used when there is one.
EditReport applyEdits(Edid& edid, const EdidEdits& edits);

struct Derived {
    Bytes bytes;                        // 128 or 256 bytes, checksums computed; empty when refused
    std::vector<std::string> changes;   // what differs from the original, as diffEdids says it
    std::vector<std::string> notes;     // edits that found nothing to do
    std::vector<std::string> problems;  // what the checks find in the result
    std::vector<std::string> refusals;  // why there is no result
};

// The original, edited. A result that does not fit is refused with how far over it is.
Derived deriveEdid(std::span<const uint8_t> original, const EdidEdits& edits);

// The difference between two EDIDs' bytes; a line saying why when either is not an EDID here.
std::vector<std::string> diffEdidBytes(std::span<const uint8_t> before, std::span<const uint8_t> after);

// ---- The options' texts -------------------------------------------------------------

// Each sets its part of `edits` from the text a person typed and returns
// nullopt, or returns the sentence that says what is wrong with it.
using OptionSetter = std::optional<std::string> (*)(std::string_view text, EdidEdits& edits);

struct EditOption {
    std::string_view flag;   // "--max-tmds"
    std::string_view value;  // "MHZ"
    std::string_view help;
    bool repeatable;   // given more than once, or with several values
    OptionSetter set;  // nullptr for --audio-from, whose file the front end reads into `audioFrom`
};

extern const std::array<EditOption, 14> editOptions;

// The option named `flag` ("--name" or "name") set from `text`; nullopt, or why not.
std::optional<std::string> setEditOption(std::string_view flag, std::string_view text, EdidEdits& edits);

std::optional<Feature> featureNamed(std::string_view name);
std::string_view featureName(Feature feature);

}  // namespace brixel::edid_editor
