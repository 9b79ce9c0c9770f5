// SPDX-License-Identifier: MIT
// edid-decode --check outputs read for their failures, and what a result
// adds to its original's.

#include "edid_editor/edid_decode_failures.h"

#include <gtest/gtest.h>

namespace brixel {
namespace {

using edid_editor::edidDecodeFailures;
using edid_editor::newEdidDecodeFailures;
using Lines = std::vector<std::string>;

// As edid-decode 2022 prints it, the decoding above cut.
const std::string original = R"(Block 1, CTA-861 Extension Block:
  Video Data Block:
    VIC  16:  1920x1080   60.000000 Hz  16:9     67.500 kHz    148.500000 MHz
Checksum: 0x3e

----------------

edid-decode SHA: cb74358c2896 2022-03-30 09:29:27

Warnings:

Block 1, CTA-861 Extension Block:
  IT Video Formats are overscanned by default, but normally this should be underscanned.

Failures:

Block 0, Base EDID:
  Standard Timings: Use 0x0101 as the invalid Standard Timings code, not 0x0100.
  Standard Timings: Use 0x0101 as the invalid Standard Timings code, not 0x0100.
Block 1, CTA-861 Extension Block:
  Missing VCDB, needed for Set Selectable RGB Quantization to avoid interop issues.
EDID:
  Base EDID: Some timings are out of range of the Monitor Ranges:
    Horizontal Freq: 15.625 - 135.000 kHz (Monitor: 30.000 - 85.000 kHz)
    Maximum Clock: 594.000 MHz (Monitor: 300.000 MHz)

EDID conformity: FAIL
)";

TEST(EdidEditorDecodeFailures, ReadsEachFailureWithWhereItIs) {
    EXPECT_EQ(
        edidDecodeFailures(original),
        (Lines{"Block 0, Base EDID: Standard Timings: Use 0x0101 as the invalid Standard Timings code, not 0x0100.",
               "Block 0, Base EDID: Standard Timings: Use 0x0101 as the invalid Standard Timings code, not 0x0100.",
               "Block 1, CTA-861 Extension Block: Missing VCDB, needed for Set Selectable RGB Quantization to "
               "avoid interop issues.",
               "EDID: Base EDID: Some timings are out of range of the Monitor Ranges: Horizontal Freq: 15.625 - "
               "135.000 kHz (Monitor: 30.000 - 85.000 kHz)",
               "EDID: Base EDID: Some timings are out of range of the Monitor Ranges: Maximum Clock: 594.000 MHz "
               "(Monitor: 300.000 MHz)"}));
    EXPECT_EQ(edidDecodeFailures("EDID conformity: PASS\n"), Lines{});
}

TEST(EdidEditorDecodeFailures, NamesOnlyWhatIsNew) {
    // The same failures with other numbers, one of the two standard timings
    // mended, and a new failure, and a new reason for an old one.
    const std::string result = R"(Failures:

Block 0, Base EDID:
  Standard Timings: Use 0x0101 as the invalid Standard Timings code, not 0x0100.
  Missing Display Product Name.
Block 1, CTA-861 Extension Block:
  Missing VCDB, needed for Set Selectable RGB Quantization to avoid interop issues.
EDID:
  Base EDID: Some timings are out of range of the Monitor Ranges:
    Horizontal Freq: 15.625 - 67.500 kHz (Monitor: 30.000 - 85.000 kHz)
    Vertical Freq: 24.000 - 120.000 Hz (Monitor: 50.000 - 75.000 Hz)

EDID conformity: FAIL
)";
    EXPECT_EQ(newEdidDecodeFailures(original, result),
              (Lines{"Block 0, Base EDID: Missing Display Product Name.",
                     "EDID: Base EDID: Some timings are out of range of the Monitor Ranges: Vertical Freq: 24.000 - "
                     "120.000 Hz (Monitor: 50.000 - 75.000 Hz)"}));
    EXPECT_EQ(newEdidDecodeFailures(result, result), Lines{});
    EXPECT_EQ(newEdidDecodeFailures(original, "EDID conformity: PASS\n"), Lines{});
}

TEST(EdidEditorDecodeFailures, ASecondTimeIsNewToo) {
    const std::string once = "Failures:\n\nBlock 0, Base EDID:\n  Missing Display Product Name.\n";
    const std::string twice = once + "  Missing Display Product Name.\n";
    EXPECT_EQ(newEdidDecodeFailures(once, twice), Lines{"Block 0, Base EDID: Missing Display Product Name."});
}

}  // namespace
}  // namespace brixel
