// SPDX-License-Identifier: MIT
// The EDID model and its edits over any 128 or 256 bytes: taking them apart
// and writing them back gives the same bytes (checksums computed), and again
// the same; describing, diffing and checking them never fails; and any set
// of edits, typed or set directly, gives either a refusal that says why or an
// EDID of the same size whose checksums are right and which reads back as
// itself.
//
// Input: a byte whose low bit picks 256 bytes (else 128), those bytes, then
// the choices of edits (zeros where the input ends).

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "edid_editor/checks.h"
#include "edid_editor/describe.h"
#include "edid_editor/edits.h"
#include "fuzz/fuzz_support.h"

namespace {

namespace editor = brixel::edid_editor;
using brixel::fuzz::Input;

bool checksumsRight(std::span<const uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += editor::blockSize)
        if (!brixel::edid::sumsToZero(bytes.subspan(at, editor::blockSize))) return false;
    return true;
}

bool oneLine(const std::string& text) { return !text.empty() && text.find('\n') == std::string::npos; }

// Written, read and written again: the same bytes.
void readsBackAsItself(std::span<const uint8_t> bytes) {
    std::string error;
    const auto again = editor::parseEdid(bytes, error);
    FUZZ_CHECK(again.has_value());
    const auto written = editor::writeEdid(*again);
    FUZZ_CHECK(written.overBy == 0 &&
               std::equal(written.bytes.begin(), written.bytes.end(), bytes.begin(), bytes.end()));
}

std::string text(Input& in) {
    const auto bytes = in.sized(16);
    return {bytes.begin(), bytes.end()};
}

std::vector<unsigned> vics(Input& in) {
    std::vector<unsigned> list(in.below(5));
    for (auto& vic : list) vic = in.byte();
    return list;
}

editor::ModeRequest mode(Input& in) {
    return {static_cast<unsigned>(in.u16() % 8192), static_cast<unsigned>(in.u16() % 4400),
            static_cast<double>(in.below(250)), in.flag()};
}

editor::EdidEdits editsFrom(Input& in, std::span<const uint8_t> edid) {
    editor::EdidEdits e;
    const uint16_t which = in.u16();
    if (which & 0x0001) e.name = text(in);
    if (which & 0x0002) e.serial = in.u32();
    if (which & 0x0004) e.serialText = text(in);
    if (which & 0x0008) e.product = in.u16();
    if (which & 0x0010) e.manufacturer = std::string{char('@' + in.below(28)), char('A' + in.below(26)), 'Z'};
    if (which & 0x0020) e.week = in.byte();
    if (which & 0x0040) e.year = 1980u + in.byte();
    if (which & 0x0080)
        for (std::size_t n = in.below(4); n > 0; --n)
            e.drop.push_back(editor::featureNames[in.below(editor::featureNames.size())].feature);
    if (which & 0x0100) e.maxTmdsMhz = static_cast<unsigned>(in.below(300) * 5);
    if (which & 0x0200) e.maxMode = mode(in);
    if (which & 0x0400) {
        // Audio from itself, a built-in EDID or whatever bytes follow.
        switch (in.below(3)) {
            case 0: e.audioFrom = editor::Bytes(edid.begin(), edid.end()); break;
            case 1: {
                const auto& builtIn = brixel::edid::builtInEdids[in.below(brixel::edid::entryCount)];
                e.audioFrom = editor::Bytes(builtIn.begin(), builtIn.end());
                break;
            }
            default: e.audioFrom = in.bytes(in.flag() ? 256 : 128); break;
        }
    }
    if (which & 0x0800) e.addVics = vics(in);
    if (which & 0x1000) e.removeVics = vics(in);
    if (which & 0x2000) {
        if (in.flag())
            e.preferred = editor::Preferred{static_cast<unsigned>(in.byte())};
        else
            e.preferred = mode(in);
    }
    // Options typed as text, over what was set.
    if (which & 0x4000)
        for (std::size_t n = in.below(3); n > 0; --n) {
            const auto& option = editor::editOptions[in.below(editor::editOptions.size())];
            const auto error = editor::setEditOption(option.flag, text(in), e);
            FUZZ_CHECK(!error || oneLine(*error));
        }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t length = (data[0] & 1) ? 2 * editor::blockSize : editor::blockSize;
    if (size < 1 + length) return 0;
    const std::span<const uint8_t> bytes(data + 1, length);

    std::string error;
    const auto edid = editor::parseEdid(bytes, error);
    FUZZ_CHECK(edid.has_value());
    const auto written = editor::writeEdid(*edid);
    FUZZ_CHECK(written.overBy == 0 && written.bytes.size() == length && checksumsRight(written.bytes));
    // Byte for byte, but for the checksums, which are computed.
    for (std::size_t i = 0; i < length; ++i) FUZZ_CHECK(i % editor::blockSize == 127 || written.bytes[i] == bytes[i]);
    readsBackAsItself(written.bytes);

    for (const auto& fact : editor::describeEdid(*edid)) FUZZ_CHECK(fact.key.find('\n') == std::string::npos);
    FUZZ_CHECK(editor::diffEdids(*edid, *edid).empty());
    for (const auto& problem : editor::checkEdid(bytes)) FUZZ_CHECK(oneLine(problem));

    Input in(data + 1 + length, size - 1 - length);
    const editor::Derived derived = editor::deriveEdid(bytes, editsFrom(in, bytes));
    if (!derived.refusals.empty()) {
        FUZZ_CHECK(derived.bytes.empty() && derived.changes.empty());
        for (const auto& refusal : derived.refusals) FUZZ_CHECK(oneLine(refusal));
        return 0;
    }
    FUZZ_CHECK(derived.bytes.size() == length && checksumsRight(derived.bytes));
    readsBackAsItself(derived.bytes);
    for (const auto& line : derived.changes) FUZZ_CHECK(oneLine(line));
    for (const auto& line : derived.notes) FUZZ_CHECK(oneLine(line));
    for (const auto& line : derived.problems) FUZZ_CHECK(oneLine(line));
    // Nothing said changed: nothing but checksums did.
    if (derived.changes.empty()) FUZZ_CHECK(derived.bytes == written.bytes);
    return 0;
}
