// SPDX-License-Identifier: MIT
#include "matrix/fixed_point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brixel {
namespace {

// The conversions are usable at compile time.
static_assert(coefficientToWire(-0.213) == 0xF930);
static_assert(offsetToWire(std::numeric_limits<double>::quiet_NaN()) == 0x0000);
static_assert(coefficientFromWire(0x8000) == 4.0);

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct ToWireCase {
    const char* name;
    double value;
    bool coefficient;
    uint16_t wire;
};

class ToWire : public testing::TestWithParam<ToWireCase> {};

TEST_P(ToWire, TruncatesTowardZeroAndKeepsTheLowSixteenBits) {
    const auto& c = GetParam();
    EXPECT_EQ(c.coefficient ? coefficientToWire(c.value) : offsetToWire(c.value), c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ToWire,
    testing::Values(ToWireCase{"coefNeg0213", -0.213, true, 0xF930}, ToWireCase{"coef1164", 1.164, true, 0x253F},
                    ToWireCase{"coefPlus4", 4.0, true, 0x8000}, ToWireCase{"coefMinus4", -4.0, true, 0x8000},
                    ToWireCase{"coefWraps5", 5.0, true, 0xA000}, ToWireCase{"coefTinyNegative", -0.0001, true, 0x0000},
                    ToWireCase{"coefOneLsbBelow", -1.0 / 8192, true, 0xFFFF},
                    // Largest product still inside the 32-bit range, and the first outside it.
                    ToWireCase{"coefTopOfRange", 262143.9999, true, 0xFFFF},
                    ToWireCase{"coefBeyondRange", 262144.0, true, 0x0000},
                    ToWireCase{"coefBottomOfRange", -262144.0, true, 0x0000},
                    ToWireCase{"coefBelowRange", -262144.001, true, 0x0000},
                    ToWireCase{"coefHuge", 1e300, true, 0x0000}, ToWireCase{"coefInf", inf, true, 0x0000},
                    ToWireCase{"coefNaN", nan, true, 0x0000}, ToWireCase{"offset16", 16.0, false, 0x1000},
                    ToWireCase{"offset16_5", 16.5, false, 0x1080}, ToWireCase{"offsetMinus16", -16.0, false, 0xF000},
                    ToWireCase{"offsetMinus16_5", -16.5, false, 0xEF80},
                    ToWireCase{"offsetTopOfRange", 8388607.999, false, 0xFFFF},
                    ToWireCase{"offsetBeyondRange", 8388608.0, false, 0x0000},
                    ToWireCase{"offsetNegInf", -inf, false, 0x0000}, ToWireCase{"offsetNaN", nan, false, 0x0000}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(FromWire, CoefficientsAreSignedAbove0x8000Only) {
    EXPECT_EQ(coefficientFromWire(0x8000), 4.0);
    EXPECT_EQ(coefficientFromWire(0x8001), -4.0 + 1.0 / 8192);
    EXPECT_EQ(coefficientFromWire(0xFFFF), -1.0 / 8192);
    EXPECT_EQ(coefficientFromWire(0x7FFF), 4.0 - 1.0 / 8192);
    EXPECT_EQ(coefficientFromWire(0xF930), -0.212890625);
}

TEST(FromWire, OffsetsAreTheirUnsignedHighByte) {
    EXPECT_EQ(offsetFromWire(0x1000), 16.0);
    EXPECT_EQ(offsetFromWire(0x1080), 16.0);
    EXPECT_EQ(offsetFromWire(0xF000), 240.0);
    EXPECT_EQ(offsetFromWire(0x00FF), 0.0);
}

}  // namespace
}  // namespace brixel
