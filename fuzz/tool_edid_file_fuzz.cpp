// SPDX-License-Identifier: MIT
// The toolkit's EDID file reader on any file content: raw bytes or any of the
// text forms become the 256 bytes the device takes or a refusal that says why;
// binary content is taken as it is (a lone base block that announces no
// extension padded with an empty one); what it takes, dumped as hex, reads
// back the same; the EDID checks name every fault of the header and the
// checksums, and only those, and mending the checksums leaves only the header's.
//
// Input: the file's content.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "toolkit/edid_file.h"

namespace {

constexpr std::array<uint8_t, 8> header{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

bool blockSumsToZero(const std::vector<uint8_t>& edid, std::size_t block) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 128; ++i) sum += edid[128 * block + i];
    return sum % 256 == 0;
}

// Header 00 FF FF FF FF FF FF 00, and each 128-byte block adds up to 0.
bool wholeEdid(const std::vector<uint8_t>& edid) {
    return std::equal(header.begin(), header.end(), edid.begin()) && blockSumsToZero(edid, 0) &&
           blockSumsToZero(edid, 1);
}

// A byte no text holds: a control character other than white space, or DEL.
bool binaryByte(uint8_t c) {
    return c == 0x7F || (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    namespace tool = brixel::toolkit;
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const bool byteOrderMark = content.starts_with("\xEF\xBB\xBF");
    const bool binary = !byteOrderMark && std::any_of(data, data + size, binaryByte);

    std::string readError;
    const auto read = tool::readEdidBytes(content, readError);
    FUZZ_CHECK(read.has_value() != !readError.empty());  // a refusal says why, and only a refusal
    if (binary) {
        FUZZ_CHECK(read && read->bytes.size() == size && std::equal(read->bytes.begin(), read->bytes.end(), data));
        FUZZ_CHECK(read->form == "raw binary");
    }

    std::string error;
    const auto edid = tool::parseEdidBytes(content, error);
    if (!edid) {
        FUZZ_CHECK(!error.empty());
        // The checks take any number of bytes: one problem when they are not 256.
        const auto problems = tool::edidProblems({data, size});
        FUZZ_CHECK(size == 256 || problems.size() == 1);
        return 0;
    }
    FUZZ_CHECK(read && edid->size() == 256);
    if (read->bytes.size() == 256) {
        FUZZ_CHECK(*edid == read->bytes);
    } else {
        // Only a base block that announces no extension is taken short, and padded with zeros.
        FUZZ_CHECK(read->bytes.size() == 128 && read->bytes[126] == 0);
        FUZZ_CHECK(std::equal(read->bytes.begin(), read->bytes.end(), edid->begin()));
        FUZZ_CHECK(std::all_of(edid->begin() + 128, edid->end(), [](uint8_t b) { return b == 0; }));
    }

    // Its hex dump reads back as the same bytes.
    std::string again;
    const auto dumped = tool::parseEdidBytes(tool::hexDump(*edid), again);
    FUZZ_CHECK(dumped && *dumped == *edid && again.empty());

    const auto problems = tool::edidProblems(*edid);
    FUZZ_CHECK(problems.empty() == wholeEdid(*edid));
    FUZZ_CHECK(problems.size() <= 3);  // the header and each block's checksum, each once
    for (const auto& problem : problems) FUZZ_CHECK(!problem.empty() && problem.find('\n') == std::string::npos);

    // Mending the checksums touches only each block's last byte and leaves at most the header wrong.
    std::vector<uint8_t> mended(*edid);
    const auto fixed = tool::fixEdidChecksums(mended);
    FUZZ_CHECK(fixed.size() == (blockSumsToZero(*edid, 0) ? 0u : 1u) + (blockSumsToZero(*edid, 1) ? 0u : 1u));
    for (std::size_t i = 0; i < 256; ++i) FUZZ_CHECK(i % 128 == 127 || mended[i] == (*edid)[i]);
    FUZZ_CHECK(blockSumsToZero(mended, 0) && blockSumsToZero(mended, 1));
    const bool headerRight = std::equal(header.begin(), header.end(), mended.begin());
    FUZZ_CHECK(tool::edidProblems(mended).size() == (headerRight ? 0u : 1u));
    return 0;
}
