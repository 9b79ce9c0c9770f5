// SPDX-License-Identifier: MIT
#include "toolkit/file_reading.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "text/plural.h"

namespace brixel::toolkit::reading {

std::string sizeText(std::size_t bytes) {
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KiB";
    return text::counted(bytes, "byte");
}

std::string tooLarge(const std::string& name, std::uint64_t size, std::size_t limit) {
    return name + " holds " + std::to_string(size) + " bytes, more than the " + sizeText(limit) + " this reads";
}

std::optional<std::string> readUpTo(const ReadSome& read, const std::string& name, std::size_t limit,
                                    std::string& error) {
    std::string content;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const long long n = read(chunk.data(), chunk.size());
        if (n < 0) {
            error = "cannot read " + name + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (n == 0) return content;
        // A device or a pipe says no size first: it is refused once it has given too much.
        if (content.size() + static_cast<std::size_t>(n) > limit) {
            error = name + " holds more than the " + sizeText(limit) + " this reads";
            return std::nullopt;
        }
        content.append(chunk.data(), static_cast<std::size_t>(n));
    }
}

}  // namespace brixel::toolkit::reading
