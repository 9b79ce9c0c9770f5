// SPDX-License-Identifier: MIT
#include "settings/setting_codes.h"

#include <gtest/gtest.h>

namespace brixel {
namespace {

TEST(SettingCodes, EachCodeAndCommandNameAppearsOnce) {
    for (std::size_t i = 0; i < settingCodes.size(); ++i)
        for (std::size_t j = i + 1; j < settingCodes.size(); ++j) {
            EXPECT_NE(settingCodes[i].code, settingCodes[j].code);
            EXPECT_NE(settingCodes[i].command, settingCodes[j].command);
        }
}

}  // namespace
}  // namespace brixel
