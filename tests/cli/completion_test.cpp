// SPDX-License-Identifier: MIT
// The bash completion as bash runs it: its own function, called with the
// words typed so far, in a folder holding one file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace brixel::test {
namespace {

struct Case {
    const char* typed;  // after "brixelctl ", the last word being completed
    const char* offered;
};

// clang-format off
const Case cases[] = {
    {"--simulate st", "status"},                      // a flag takes no value: the command comes next
    {"-q --json sta", "status"},
    {"port ", "1 2 3 4"},
    {"csc ycbcr4", "ycbcr444 ycbcr422 ycbcr420"},
    {"logo-led o", "off on"},
    {"--fault no", "noReply"},
    {"--simulate --fault open sta", "status"},        // the option's value is not a command
    {"edid install 1080p60-", "1080p60-multi 1080p60-hdr-stereo"},
    {"edid export 20 ", "a.bin"},                     // the second argument is a file
    {"--state-file ", "a.bin"},
    {"infoframe hdr-build --eotf ", "sdr hdr pq hlg"},
    {"infoframe decode ", "a.bin"},                   // a frame, or a file holding one
    {"status --wa", "--watch"},
    {"edid ins", "install"},
};
// clang-format on

// The row as ctest and a failure name it.
void PrintTo(const Case& c, std::ostream* os) { *os << testing::PrintToString(std::string("brixelctl ") + c.typed); }

class Completion : public testing::TestWithParam<Case> {};

TEST_P(Completion, OffersWhatMayFollow) {
    const auto dir = std::filesystem::temp_directory_path() / ("brixelctl-completion-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "a.bin") << "x";
    const std::string script = dir.string() + ".sh";
    std::ofstream(script) << "source '" BRIXELCTL_COMPLETION
                             "'\n"
                             "read -ra COMP_WORDS <<< \"brixelctl $1\"\n"
                             "[[ $1 == *' ' ]] && COMP_WORDS+=('')\n"
                             "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                             "_brixelctl\n"
                             "echo \"${COMPREPLY[*]}\"\n";
    const std::string command = "cd '" + dir.string() + "' && bash '" + script + "' '" + GetParam().typed + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::filesystem::remove_all(dir);
    std::filesystem::remove(script);
    ASSERT_TRUE(read);
    std::string offered(line);
    if (!offered.empty() && offered.back() == '\n') offered.pop_back();
    EXPECT_EQ(offered, GetParam().offered) << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(Typed, Completion, testing::ValuesIn(cases));

}  // namespace
}  // namespace brixel::test
