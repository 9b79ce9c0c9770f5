// SPDX-License-Identifier: MIT
#pragma once
// Reading an input up to a limit as every system does it, and what it says;
// each system opens and reads its own way (files_posix.cpp, files_windows.cpp).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brixel::toolkit::reading {

// "1 MiB", "64 KiB", "3 bytes".
std::string sizeText(std::size_t bytes);

// The refusal of a file the system says is larger than the limit.
std::string tooLarge(const std::string& name, std::uint64_t size, std::size_t limit);

// One read of at most `size` bytes: the count, 0 at the end, negative on an
// error with errno set.
using ReadSome = std::function<long long(char* buffer, std::size_t size)>;

// All that `read` gives, refused as soon as it passes the limit.
std::optional<std::string> readUpTo(const ReadSome& read, const std::string& name, std::size_t limit,
                                    std::string& error);

}  // namespace brixel::toolkit::reading
