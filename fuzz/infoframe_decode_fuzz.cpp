// SPDX-License-Identifier: MIT
// The InfoFrame decoder on any bytes: no crash, nothing read past the frame
// (an exact-size copy, so AddressSanitizer sees any such read), every problem
// a sentence, the checksum verdict the bytes' own, and the text and JSON made
// from the result whatever it holds. The same bytes as `infoframe decode`
// input: read, or refused with a sentence.
//
// Input: the frame, as a binary InfoFrame file holds it.

#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "infoframe/infoframe_bytes.h"
#include "infoframe_decoder/infoframe_decoder.h"
#include "toolkit/infoframe_input.h"
#include "toolkit/infoframe_json.h"

namespace {

namespace dec = brixel::infoframe_decoder;

bool isSentence(const std::string& s) {
    return s.size() > 2 && std::isupper(static_cast<unsigned char>(s.front())) && s.back() == '.';
}

void checkFrame(std::span<const uint8_t> bytes, const dec::DecodedFrame& frame) {
    for (const auto& problem : frame.problems) FUZZ_CHECK(isSentence(problem));
    const bool whole =
        bytes.size() >= brixel::infoframe::headerSize && bytes.size() - brixel::infoframe::headerSize >= bytes[2];
    const bool sumsToZero =
        whole && brixel::infoframe::checksumHolds(bytes.first(brixel::infoframe::headerSize + bytes[2]));
    FUZZ_CHECK(frame.checksumValid == sumsToZero);
    // A frame with nothing wrong is one whose bytes add up.
    FUZZ_CHECK(!frame.problems.empty() || frame.checksumValid);
    FUZZ_CHECK(!frame.summary.empty());
    std::set<std::string_view> keys;
    for (const auto& field : frame.fields) {
        FUZZ_CHECK(!field.key.empty() && !field.label.empty());
        FUZZ_CHECK(keys.insert(field.key).second);
    }
    const auto lines = dec::decodedFrameText(frame);
    FUZZ_CHECK(lines.size() == 2 + frame.fields.size() + frame.problems.size());
    bool jsonThrew = false;
    try {
        (void)brixel::toolkit::decodedFrameJson(frame).dump();
    } catch (...) {
        jsonThrew = true;
    }
    FUZZ_CHECK(!jsonThrew);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const auto copy = brixel::fuzz::exactCopy({data, size});
    const std::span<const uint8_t> bytes(copy.get(), size);
    const dec::DecodedFrame frame = dec::decodeInfoFrame(bytes);
    checkFrame(bytes, frame);

    const dec::DecodedFrame frames[] = {frame};
    const auto signal = dec::describeSignal(frames, size % 2 ? std::optional<int>(10) : std::nullopt);
    FUZZ_CHECK(!signal.hdrFormat.empty() && !signal.description.empty());
    bool jsonThrew = false;
    try {
        (void)brixel::toolkit::signalJson(signal).dump();
    } catch (...) {
        jsonThrew = true;
    }
    FUZZ_CHECK(!jsonThrew);

    std::string error;
    const auto text = brixel::fuzz::exactText({data, size});
    const auto read = brixel::toolkit::readInfoFrameBytes(std::string_view(text.get(), size), error);
    if (read) {
        FUZZ_CHECK(read->bytes.size() >= brixel::toolkit::infoFrameMinBytes &&
                   read->bytes.size() <= brixel::toolkit::infoFrameMaxBytes);
        checkFrame(read->bytes, dec::decodeInfoFrame(read->bytes));
    } else {
        FUZZ_CHECK(isSentence(error));
    }
    return 0;
}
