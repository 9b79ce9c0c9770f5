// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/state_storage.h"

namespace brixel::sim::storage {

bool readBounded(const std::filesystem::path& file, std::size_t limit, std::string& content, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = "cannot read " + file.string() + ": not a regular file";
        return false;
    }
    char chunk[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0) {
        if (content.size() + static_cast<std::size_t>(n) > limit) {
            ::close(fd);
            error =
                file.string() + " holds more than " + std::to_string(limit) + " bytes: not a simulated device state";
            return false;
        }
        content.append(chunk, static_cast<std::size_t>(n));
    }
    const int readError = n < 0 ? errno : 0;
    ::close(fd);
    if (readError != 0) {
        error = "cannot read " + file.string() + ": " + std::strerror(readError);
        return false;
    }
    return true;
}

bool replace(const std::filesystem::path& file, std::string_view text, std::string& error) {
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write beside " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    bool written = true;
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written = false;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    // mkostemp makes the file private; a state file is as shared as any other.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) written = false;
    if (!written) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = "cannot replace " + file.string() + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int lock(const std::filesystem::path& lockFile, std::string& error) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot open " + lockFile.string() + ": " + std::strerror(errno);
        return -1;
    }
    int r = 0;
    while ((r = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r != 0) {
        error = lockFile.string() + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

void unlock(int handle) {
    if (handle >= 0) ::close(handle);
}

}  // namespace brixel::sim::storage
