// SPDX-License-Identifier: MIT
#pragma once
// Files people name: read whole but never without bound, "-" for standard
// input and output, and outputs checked before a device is touched, so that a
// name that cannot be written never costs a device exchange.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brixel::toolkit {

// The name that stands for standard input or output.
inline constexpr std::string_view standardStream = "-";

// The whole of `path` ("-": standard input) when it holds at most `limit`
// bytes; nullopt with `error` saying why not (a directory, too large, unreadable).
std::optional<std::string> readInput(const std::string& path, std::size_t limit, std::string& error);

// A file to be written once the device has answered. Made ready first: its
// directory and permissions are checked, and the content goes to a unique
// temporary file beside it that replaces it only when written whole. A
// device node or a pipe is written in place; "-" is standard output.
class OutputFile {
public:
    static std::optional<OutputFile> prepare(const std::string& path, std::string& error);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    ~OutputFile();

    // False with `error` set when the content could not be written whole.
    bool write(std::string_view content, std::string& error);

    const std::string& path() const { return path_; }
    bool isStandardOutput() const { return path_ == standardStream; }

private:
    OutputFile(std::string path, int fd, std::string temporary);
    std::string path_;
    int fd_ = -1;
    std::string temporary_;  // empty when written in place
};

// A file no name reaches, for what a tool keeps only while it runs: made in
// $TMPDIR (else /tmp) and unlinked at once, so that nothing is left behind
// however the tool ends. -1 when none could be made.
int anonymousTemporaryFile();

// $TMPDIR when set, else /tmp.
std::string temporaryDirectory();

}  // namespace brixel::toolkit
