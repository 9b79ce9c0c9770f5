// SPDX-License-Identifier: MIT
// Every edit on every EDID of the corpus, as Debian's edid-decode --check
// reads the result: no failure that it did not find in the original.

#include <gtest/gtest.h>

#include <map>

#include "cli/edid_decode.h"
#include "edid_editor/edid_decode_failures.h"
#include "edid_editor/edits.h"
#include "tests/edid_editor/corpus.h"

namespace brixel {
namespace {

using namespace edid_editor;
using Options = std::vector<std::pair<std::string, std::string>>;

const std::vector<Options> recipes{
    {{"--name", "Lounge"}},
    {{"--serial-text", "SN-0042"}},
    {{"--serial", "42"}, {"--product", "0x1234"}, {"--manufacturer", "ABC"}, {"--week", "7"}, {"--year", "2024"}},
    {{"--drop", "hdr"}},
    {{"--drop", "hdr10plus"}},
    {{"--drop", "dolby-vision"}},
    {{"--drop", "vrr"}},
    {{"--drop", "allm"}},
    {{"--drop", "audio"}},
    {{"--drop", "3d"}},
    {{"--drop", "ycbcr420"}},
    {{"--max-tmds", "300"}},
    {{"--max-tmds", "165"}},
    {{"--max-mode", "1920x1080@60"}},
    {{"--audio-from", "avr-multichannel.bin"}},
    {{"--add-vic", "19"}},
    {{"--remove-vic", "16"}},
    {{"--preferred", "16"}},
    {{"--preferred", "1920x1080@60"}},
    {{"--drop", "hdr"}, {"--name", "Lounge"}, {"--max-tmds", "300"}},
};

std::string recipeName(const Options& options) {
    std::string name;
    for (const auto& [flag, text] : options) name += flag.substr(2) + "_" + text + "_";
    return test::testName(name.substr(0, name.size() - 1));
}

std::string checked(std::span<const uint8_t> bytes) {
    const auto run = cli::runEdidDecodeFor(bytes, {"--check"});
    return run ? run->output : "";
}

class EdidDecodeVerdict : public testing::TestWithParam<std::tuple<Options, test::CorpusEdid>> {
protected:
    void SetUp() override {
        if (!cli::edidDecodeInstalled())
            GTEST_SKIP() << "edid-decode is not installed (Debian package edid-decode); the results were not checked";
    }
};

TEST_P(EdidDecodeVerdict, FindsNothingNew) {
    const auto& [options, source] = GetParam();
    EdidEdits edits;
    for (const auto& [flag, text] : options) {
        if (flag == "--audio-from")
            edits.audioFrom = test::editorFixture(text);
        else
            ASSERT_FALSE(setEditOption(flag, text, edits));
    }
    const Derived derived = deriveEdid(source.bytes, edits);
    if (!derived.refusals.empty()) return;  // the edit tests hold refusals to account
    static std::map<std::string, std::string> originals;
    auto& original = originals[source.name];
    if (original.empty()) original = checked(source.bytes);
    const std::string result = checked(derived.bytes);
    ASSERT_NE(result.find("EDID conformity:"), std::string::npos) << "edid-decode --check gave no verdict";
    EXPECT_EQ(newEdidDecodeFailures(original, result), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(EdidEditor, EdidDecodeVerdict,
                         testing::Combine(testing::ValuesIn(recipes), testing::ValuesIn(test::editorCorpus())),
                         [](const auto& p) {
                             return recipeName(std::get<0>(p.param)) + "_" + std::get<1>(p.param).name;
                         });

}  // namespace
}  // namespace brixel
