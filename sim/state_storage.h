// SPDX-License-Identifier: MIT
#pragma once
// The few file operations a state file needs that differ between POSIX and
// Windows: where it lives, a bounded read, an atomic replace and an exclusive lock.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace brixel::sim::storage {

// A path as messages name it, in UTF-8 on every system.
inline std::string displayName(const std::filesystem::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

// At most `limit` bytes of a regular file; false with `error` set.
bool readBounded(const std::filesystem::path& file, std::size_t limit, std::string& content, std::string& error);

// Writes `text` under a unique name beside `file` and renames it over `file`:
// an interrupted run never leaves half a file, and two runs never share one.
bool replace(const std::filesystem::path& file, std::string_view text, std::string& error);

// Opens `lockFile` and waits for an exclusive lock on it; -1 with `error`
// set. Closing the handle with unlock() releases the lock.
int lock(const std::filesystem::path& lockFile, std::string& error);
void unlock(int handle);

}  // namespace brixel::sim::storage
