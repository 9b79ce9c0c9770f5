// SPDX-License-Identifier: MIT
// What an output file does alike on every system; where it is prepared is
// each system's own (files_posix.cpp, files_windows.cpp).
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "toolkit/file_system_calls.h"
#include "toolkit/files.h"

namespace brixel::toolkit {

using system_calls::standardOutput;

OutputFile::OutputFile(std::string path, int fd, std::string temporary)
    : path_(std::move(path)), fd_(fd), temporary_(std::move(temporary)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), temporary_(std::move(other.temporary_)) {
    other.fd_ = -1;
    other.temporary_.clear();
}

OutputFile::~OutputFile() {
    if (fd_ >= 0 && fd_ != standardOutput) system_calls::closeFile(fd_);
    if (!temporary_.empty()) system_calls::removeFile(temporary_);
}

bool OutputFile::write(std::string_view content, std::string& error) {
    if (fd_ < 0) {
        error = "cannot write " + path_ + ": already written";
        return false;
    }
    if (fd_ == standardOutput) std::fflush(stdout);
    if (!system_calls::writeAll(fd_, content)) {
        error = "cannot write " + (isStandardOutput() ? std::string("standard output") : path_) + ": " +
                std::strerror(errno);
        return false;
    }
    if (fd_ != standardOutput && !system_calls::closeFile(fd_)) {
        fd_ = -1;
        error = "cannot write " + path_ + ": " + std::strerror(errno);
        return false;
    }
    fd_ = -1;
    if (!temporary_.empty()) {
        if (std::string why; !system_calls::replaceFile(temporary_, path_, why)) {
            error = "cannot write " + path_ + ": " + why;
            return false;
        }
        temporary_.clear();
    }
    return true;
}

}  // namespace brixel::toolkit
