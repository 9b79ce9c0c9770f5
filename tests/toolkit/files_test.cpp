// SPDX-License-Identifier: MIT
// Files read with a bound, outputs made ready before a device is touched, and
// JSON that no byte of a name can break.

#include "toolkit/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "toolkit/result_document.h"

namespace brixel::toolkit {
namespace {

class Files : public testing::Test {
protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("brixel-toolkit-files-" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(Files, EndlessDevicesAndDirectoriesAreRefusedAtTheirBound) {
    std::string error;
    EXPECT_FALSE(readInput("/dev/zero", 4096, error));
    EXPECT_EQ(error, "/dev/zero holds more than the 4 KiB this reads");
    EXPECT_FALSE(readInput("/dev/urandom", 1024 * 1024, error));
    EXPECT_EQ(error, "/dev/urandom holds more than the 1 MiB this reads");
    EXPECT_FALSE(readInput(dir.string(), 4096, error));
    EXPECT_EQ(error, dir.string() + " is a directory, not a file");
    EXPECT_FALSE(readInput((dir / "missing").string(), 4096, error));
    EXPECT_EQ(error, "cannot read " + (dir / "missing").string() + ": No such file or directory");

    const auto big = dir / "big";
    std::ofstream(big) << std::string(5000, 'x');
    EXPECT_FALSE(readInput(big.string(), 4096, error));
    EXPECT_EQ(error, big.string() + " holds 5000 bytes, more than the 4 KiB this reads");
    const auto content = readInput(big.string(), 5000, error);
    ASSERT_TRUE(content) << error;
    EXPECT_EQ(content->size(), 5000u);
}

TEST_F(Files, AnOutputIsCheckedFirstAndReplacedOnlyWhenWrittenWhole) {
    std::string error;
    EXPECT_FALSE(OutputFile::prepare((dir / "no-such-dir" / "out.bin").string(), error));
    EXPECT_EQ(error, "cannot write " + (dir / "no-such-dir" / "out.bin").string() + ": No such file or directory");
    EXPECT_FALSE(OutputFile::prepare(dir.string(), error));
    EXPECT_EQ(error, "cannot write " + dir.string() + ": it is a directory");

    const auto target = dir / "out.bin";
    std::ofstream(target) << "old";
    {
        auto out = OutputFile::prepare(target.string(), error);
        ASSERT_TRUE(out) << error;
        // Until written, the old content stands; nothing else is left beside it afterwards.
        std::ifstream before(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), "old");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    auto out = OutputFile::prepare(target.string(), error);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->write("new content", error)) << error;
    std::ifstream after(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), "new content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    auto null = OutputFile::prepare("/dev/null", error);
    ASSERT_TRUE(null) << error;
    EXPECT_TRUE(null->write("x", error)) << error;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST_F(Files, AnOutputWithoutPermissionIsRefusedBeforeAnythingHappens) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anything";
    const auto locked = dir / "locked.bin";
    std::ofstream(locked) << "x";
    ::chmod(locked.c_str(), 0444);
    std::string error;
    EXPECT_FALSE(OutputFile::prepare(locked.string(), error));
    EXPECT_EQ(error, "cannot write " + locked.string() + ": Permission denied");
}

TEST_F(Files, TemporariesGoWhereTmpdirSaysAndLeaveNoName) {
    const char* saved = std::getenv("TMPDIR");
    const std::string before = saved ? saved : "";
    ::setenv("TMPDIR", dir.c_str(), 1);
    EXPECT_EQ(temporaryDirectory(), dir.string());
    const int fd = anonymousTemporaryFile();
    EXPECT_GE(fd, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
    ::close(fd);
    if (saved)
        ::setenv("TMPDIR", before.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST(ResultDocument, OneShapeAndNoByteOfANameBreaksIt) {
    ResultDocument doc;
    doc.command = "edid get";
    doc.confirmed = true;
    doc.result = {{"file", std::string("ed\xFFid.bin")}};
    doc.messages = {"EDID read..."};
    const std::string text = jsonText(doc.toJson(), -1);
    EXPECT_EQ(text,
              "{\"command\":\"edid get\",\"confirmed\":true,\"file\":\"ed\xEF\xBF\xBDid.bin\","
              "\"messages\":[\"EDID read...\"],\"notes\":[],\"problems\":[],\"warnings\":[]}");
    doc.confirmed.reset();
    doc.error = "usage";
    EXPECT_EQ(doc.toJson().at("confirmed"), nullptr);
    EXPECT_EQ(doc.toJson().at("error"), "usage");
}

}  // namespace
}  // namespace brixel::toolkit
