// SPDX-License-Identifier: MIT
#pragma once
// The rows of tests/cli/command_table_test.cpp that are Linux's by nature,
// each with the reason; brixelctl.exe under wine passes every other row.

#include <string_view>
#include <utility>

namespace brixel::test {

inline constexpr std::pair<std::string_view, std::string_view> windowsExceptions[] = {
    {"edid get --check",
     "--check runs Debian's edid-decode, a Linux program; on Windows the tool says it is not available"},
    // Windows has no endless devices; UnderWine.AFileOverTheLimitIsRefused reads large files instead.
    {"an endless file", "/dev/zero is Linux's"},
    {"an endless random file", "/dev/urandom is Linux's"},
    {"an endless matrix file", "/dev/zero is Linux's"},
};

}  // namespace brixel::test
