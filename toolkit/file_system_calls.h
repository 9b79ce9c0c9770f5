// SPDX-License-Identifier: MIT
#pragma once
// The few file calls that differ between the systems, beneath what both do
// alike (output_file.cpp): each system defines them in its files_*.cpp.

#include <string>
#include <string_view>

namespace brixel::toolkit::system_calls {

inline constexpr int standardOutput = 1;

// The whole content, or false with errno set.
bool writeAll(int fd, std::string_view content);
// False with errno set when what was written could not be kept.
bool closeFile(int fd);
// `temporary` put in the place of `path` in one step; false with `why` set.
bool replaceFile(const std::string& temporary, const std::string& path, std::string& why);
void removeFile(const std::string& name);

}  // namespace brixel::toolkit::system_calls
