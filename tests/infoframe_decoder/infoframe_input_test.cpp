// SPDX-License-Identifier: MIT
// What `infoframe decode` takes as a frame, and what it refuses.

#include "toolkit/infoframe_input.h"

#include <gtest/gtest.h>

namespace brixel::toolkit {
namespace {

const std::vector<uint8_t> audio{0x84, 0x01, 0x0a, 0x70, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0};

TEST(InfoFrameInput, EveryFormPeopleHandItIn) {
    const std::string binary(audio.begin(), audio.end());
    struct Row {
        std::string content;
        std::string_view form;
    };
    const Row rows[] = {
        {"84:01:0a:70:01:00:00:00:00:00:00:00:00:00", "a hex dump"},
        {"84:01:0A:70:01:00:00:00:00:00:00:00:00:00\n", "a hex dump"},
        {"84 01 0a 70 01 00 00 00 00 00 00 00 00 00", "a hex dump"},
        {"0x84, 0x01, 0x0a, 0x70, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00", "a hex dump"},
        {"84010a7001000000000000000000", "a hex dump"},
        {binary, "raw binary"},
    };
    for (const auto& row : rows) {
        std::string error;
        const auto read = readInfoFrameBytes(row.content, error);
        ASSERT_TRUE(read) << row.content << ": " << error;
        EXPECT_EQ(read->bytes, audio);
        EXPECT_EQ(read->form, row.form);
    }
}

TEST(InfoFrameInput, WhatIsNoInfoFrameIsRefusedWithASentence) {
    std::string tooLong = "81:01:1c:00";
    for (int k = 0; k < 28; ++k) tooLong += ":00";
    struct Row {
        std::string content;
        std::string error;
    };
    const Row rows[] = {
        {"", "The input is empty; give an InfoFrame as hex bytes (87:01:1a:...) or as a binary file."},
        {"  \n", "The input is empty; give an InfoFrame as hex bytes (87:01:1a:...) or as a binary file."},
        {"84:01:0a:7", "This is no InfoFrame: not a hex dump: '7' at line 1 is not a whole number of bytes."},
        {"84:01:zz", "This is no InfoFrame: not a hex dump: unexpected 'z' at line 1, column 7."},
        {"84:01:0a", "The input, a hex dump, holds 3 bytes, fewer than the 4 of an InfoFrame's header and checksum."},
        {tooLong,
         "The input, a hex dump, holds 32 bytes, more than the 31 of a whole InfoFrame (header, checksum and 27 "
         "payload bytes)."},
        {std::string("\x84\x01", 2),
         "The input holds 2 bytes, fewer than the 4 of an InfoFrame's header and checksum."},
    };
    for (const auto& row : rows) {
        std::string error;
        EXPECT_FALSE(readInfoFrameBytes(row.content, error)) << row.content;
        EXPECT_EQ(error, row.error) << row.content;
    }
}

TEST(InfoFrameInput, AWholePacketIsTheMost) {
    std::string text = "81:01:1b:00";
    for (int k = 0; k < 27; ++k) text += ":00";
    std::string error;
    const auto read = readInfoFrameBytes(text, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->bytes.size(), 31u);
}

}  // namespace
}  // namespace brixel::toolkit
