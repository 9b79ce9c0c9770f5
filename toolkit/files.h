// SPDX-License-Identifier: MIT
#pragma once
// Files people name: read whole but never without bound, "-" for standard
// input and output, and outputs checked before a device is touched, so that a
// name that cannot be written never costs a device exchange.

#include <cstddef>
#include <filesystem>
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

// Held while a file shared by concurrent runs is read, changed and written
// back: an exclusive lock on `file` + ".lock", waited for.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& file);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Names as the tool handles them, UTF-8 on every system, to and from paths
// (whose narrow form on Windows is the ANSI code page).
inline std::filesystem::path utf8Path(std::string_view name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
inline std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A file no name reaches, for what a tool keeps only while it runs: made in
// the temporary directory and unlinked at once (on Windows deleted when
// closed), so that nothing is left behind however the tool ends. -1 when
// none could be made.
int anonymousTemporaryFile();

// $TMPDIR when set, else /tmp; on Windows the user's temporary folder.
std::string temporaryDirectory();

}  // namespace brixel::toolkit
