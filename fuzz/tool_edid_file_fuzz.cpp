// brixelctl's EDID file reader on any file content: raw bytes or a hex dump
// become the 256 bytes of an EDID or a refusal that says why; what it takes,
// dumped as hex, reads back the same; the EDID checks name every fault of the
// header and the checksums, and only those.
//
// Input: the file's content.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/tool_parsers.h"

namespace {

// Header 00 FF FF FF FF FF FF 00, and each 128-byte block adds up to 0.
bool wholeEdid(const std::vector<uint8_t>& edid) {
    constexpr std::array<uint8_t, 8> header{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (!std::equal(header.begin(), header.end(), edid.begin())) return false;
    for (std::size_t block = 0; block < 2; ++block) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < 128; ++i) sum += edid[128 * block + i];
        if (sum % 256 != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    namespace tool = brixel::fuzz::tool;
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    std::string error;
    const auto edid = tool::parseEdidBytes(content, error);
    if (!edid) {
        FUZZ_CHECK(!error.empty());  // a refusal says why
        // The checks take any number of bytes: one problem when they are not 256.
        const auto problems = tool::edidProblems({data, size});
        FUZZ_CHECK(size == 256 || problems.size() == 1);
        return 0;
    }
    FUZZ_CHECK(edid->size() == 256);
    // Raw binary is taken as it is.
    if (size == 256 && std::any_of(data, data + size, [](uint8_t c) {
            return c >= 0x7F || (c < 0x20 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v');
        }))
        FUZZ_CHECK(std::equal(edid->begin(), edid->end(), data));

    // Its hex dump reads back as the same bytes.
    std::string again;
    const auto dumped = tool::parseEdidBytes(tool::hexDump(*edid), again);
    FUZZ_CHECK(dumped && *dumped == *edid && again.empty());

    const auto problems = tool::edidProblems(*edid);
    FUZZ_CHECK(problems.empty() == wholeEdid(*edid));
    FUZZ_CHECK(problems.size() <= 3);  // the header and each block's checksum, each once
    for (const auto& problem : problems) FUZZ_CHECK(!problem.empty() && problem.find('\n') == std::string::npos);
    return 0;
}
