// The library's printf lines are taken from C's stdout stream; whatever else
// the process writes to descriptor 1 meanwhile (another thread of a host
// program) goes where it always goes.

#include "toolkit/console_capture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "toolkit/files.h"

namespace brixel::toolkit {
namespace {

// Descriptor 1 sent to a file of the test's own for the test's length.
class OwnStandardOutput : public testing::Test {
protected:
    int file = -1;
    int saved = -1;
    void SetUp() override {
        std::fflush(stdout);
        file = anonymousTemporaryFile();
        ASSERT_GE(file, 0);
        saved = dup(STDOUT_FILENO);
        ASSERT_GE(dup2(file, STDOUT_FILENO), 0);
    }
    void TearDown() override {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        close(file);
    }
    std::string written() {
        std::fflush(stdout);
        std::string text;
        char chunk[256];
        ssize_t n = 0;
        for (off_t at = 0; (n = pread(file, chunk, sizeof chunk, at)) > 0; at += n)
            text.append(chunk, static_cast<std::size_t>(n));
        return text;
    }
};

TEST_F(OwnStandardOutput, PrintfLinesAreCapturedAndTheDescriptorIsLeftAlone) {
    const std::string captured = captureStdout([] {
        std::printf("Error Writing values\n");
        ASSERT_EQ(write(STDOUT_FILENO, "another thread's line\n", 22), 22);
        std::printf("no line end");
    });
    EXPECT_EQ(captured, "Error Writing values\nno line end");
    std::printf("after the call\n");
    EXPECT_EQ(written(), "another thread's line\nafter the call\n");
}

TEST_F(OwnStandardOutput, WhatWasPrintedBeforeTheCallIsNotTaken) {
    std::printf("printed before, still buffered\n");
    const std::string captured = captureStdout([] { std::printf("during\n"); });
    EXPECT_EQ(captured, "during\n");
    EXPECT_EQ(written(), "printed before, still buffered\n");
}

TEST(ConsoleLines, SplitAtLineEndsWithATrailingPartKept) {
    EXPECT_EQ(splitLines("one\ntwo\n\nthree"), (std::vector<std::string>{"one", "two", "", "three"}));
    EXPECT_TRUE(splitLines("").empty());
}

}  // namespace
}  // namespace brixel::toolkit
