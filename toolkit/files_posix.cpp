// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "toolkit/file_reading.h"
#include "toolkit/file_system_calls.h"
#include "toolkit/files.h"

namespace brixel::toolkit {
namespace {

std::string reason() { return std::strerror(errno); }

}  // namespace

bool system_calls::writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool system_calls::closeFile(int fd) { return ::close(fd) == 0; }

bool system_calls::replaceFile(const std::string& temporary, const std::string& path, std::string& why) {
    if (::rename(temporary.c_str(), path.c_str()) == 0) return true;
    why = reason();
    return false;
}

void system_calls::removeFile(const std::string& name) { ::unlink(name.c_str()); }

std::optional<std::string> readInput(const std::string& path, std::size_t limit, std::string& error) {
    const bool standardInput = path == standardStream;
    const std::string name = standardInput ? "standard input" : path;
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + name + ": " + reason();
        return std::nullopt;
    }
    struct Closer {
        int fd;
        bool owned;
        ~Closer() {
            if (owned) ::close(fd);
        }
    } closer{fd, !standardInput};
    struct stat info {};
    if (fstat(fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = name + " is a directory, not a file";
            return std::nullopt;
        }
        if (S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) > limit) {
            error = reading::tooLarge(name, static_cast<std::uint64_t>(info.st_size), limit);
            return std::nullopt;
        }
    }
    const auto readSome = [fd](char* buffer, std::size_t size) -> long long {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n >= 0 || errno != EINTR) return n;
        }
    };
    return reading::readUpTo(readSome, name, limit, error);
}

std::string temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

FileLock::FileLock(const std::filesystem::path& file)
    : fd_(::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

int anonymousTemporaryFile() {
    std::string name = temporaryDirectory() + "/brixelctl-XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

std::optional<OutputFile> OutputFile::prepare(const std::string& path, std::string& error) {
    if (path == standardStream) return OutputFile(path, STDOUT_FILENO, {});
    if (path.empty()) {
        error = "an empty file name";
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = "cannot write " + path + ": it is a directory";
            return std::nullopt;
        }
        if (!S_ISREG(info.st_mode)) {
            // A device node or a pipe is not replaced but written.
            const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                error = "cannot write " + path + ": " + reason();
                return std::nullopt;
            }
            return OutputFile(path, fd, {});
        }
        if (::access(path.c_str(), W_OK) != 0) {
            error = "cannot write " + path + ": " + reason();
            return std::nullopt;
        }
    }
    const std::filesystem::path target(path);
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temporary = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write " + path + ": " + reason();
        return std::nullopt;
    }
    // As a file the shell would have made: the umask decides, not mkstemp's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return OutputFile(path, fd, std::move(temporary));
}

}  // namespace brixel::toolkit
