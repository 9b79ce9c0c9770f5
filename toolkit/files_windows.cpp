// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "text/windows_error.h"
#include "toolkit/file_reading.h"
#include "toolkit/file_system_calls.h"
#include "toolkit/files.h"

namespace brixel::toolkit {
namespace {

constexpr int standardInput = 0;
using system_calls::standardOutput;

std::string reason() { return std::strerror(errno); }

// INVALID_FILE_ATTRIBUTES when there is nothing by that name.
DWORD attributes(const std::filesystem::path& path) { return GetFileAttributesW(path.c_str()); }

bool isDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isDiskFile(int fd) { return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_DISK; }

// A name beside `target` that no other run of this or another process picks:
// _O_EXCL refuses one already taken, and the next is tried.
int uniqueFileBeside(const std::filesystem::path& target, std::filesystem::path& made, int extraFlags) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(L".");
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        made = dir / (L"." + target.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                      std::to_wstring(counter.fetch_add(1)) + L".tmp");
        fd = _wopen(made.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT | extraFlags,
                    _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) break;
    }
    return fd;
}

}  // namespace

bool system_calls::writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(content.size(), 1u << 20));
        const int n = _write(fd, content.data(), chunk);
        if (n <= 0) return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool system_calls::closeFile(int fd) { return _close(fd) == 0; }

bool system_calls::replaceFile(const std::string& temporary, const std::string& path, std::string& why) {
    if (MoveFileExW(utf8Path(temporary).c_str(), utf8Path(path).c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    why = text::windowsErrorText(GetLastError());
    return false;
}

void system_calls::removeFile(const std::string& name) { _wunlink(utf8Path(name).c_str()); }

std::optional<std::string> readInput(const std::string& path, std::size_t limit, std::string& error) {
    const bool fromStandardInput = path == standardStream;
    const std::string name = fromStandardInput ? "standard input" : path;
    const std::filesystem::path file = utf8Path(path);
    // Windows refuses to open a directory at all; it is named as one.
    if (!fromStandardInput && isDirectory(attributes(file))) {
        error = name + " is a directory, not a file";
        return std::nullopt;
    }
    const int fd = fromStandardInput ? standardInput : _wopen(file.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        error = "cannot read " + name + ": " + reason();
        return std::nullopt;
    }
    struct Closer {
        int fd;
        bool owned;
        ~Closer() {
            if (owned) _close(fd);
        }
    } closer{fd, !fromStandardInput};
    if (struct _stat64 info{};
        isDiskFile(fd) && _fstat64(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) > limit) {
        error = reading::tooLarge(name, static_cast<std::uint64_t>(info.st_size), limit);
        return std::nullopt;
    }
    const auto readSome = [fd](char* buffer, std::size_t size) -> long long {
        return _read(fd, buffer, static_cast<unsigned>(size));
    };
    return reading::readUpTo(readSome, name, limit, error);
}

std::string temporaryDirectory() {
    wchar_t dir[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH) return ".";
    std::filesystem::path path(std::wstring(dir, n));
    return pathText(path.has_filename() ? path : path.parent_path());
}

FileLock::FileLock(const std::filesystem::path& file) {
    const std::filesystem::path lockFile = file.wstring() + L".lock";
    fd_ = _wopen(lockFile.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd_ < 0) return;
    OVERLAPPED whole{};
    if (!LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd_)), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD,
                    &whole)) {
        _close(fd_);
        fd_ = -1;
    }
}

FileLock::~FileLock() {
    // Closing the file releases its lock.
    if (fd_ >= 0) _close(fd_);
}

int anonymousTemporaryFile() {
    std::filesystem::path made;
    return uniqueFileBeside(utf8Path(temporaryDirectory()) / L"brixelctl", made, _O_TEMPORARY);
}

std::optional<OutputFile> OutputFile::prepare(const std::string& path, std::string& error) {
    if (path == standardStream) return OutputFile(path, standardOutput, {});
    if (path.empty()) {
        error = "an empty file name";
        return std::nullopt;
    }
    const std::filesystem::path target = utf8Path(path);
    if (const DWORD found = attributes(target); found != INVALID_FILE_ATTRIBUTES) {
        if (isDirectory(found)) {
            error = "cannot write " + path + ": it is a directory";
            return std::nullopt;
        }
        // Opening it checks that it may be written; a device (NUL, COM1) is
        // not replaced but written.
        const int fd = _wopen(target.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
        if (fd < 0) {
            error = "cannot write " + path + ": " + reason();
            return std::nullopt;
        }
        if (!isDiskFile(fd)) return OutputFile(path, fd, {});
        _close(fd);
    }
    std::filesystem::path temporary;
    const int fd = uniqueFileBeside(target, temporary, 0);
    if (fd < 0) {
        error = "cannot write " + path + ": " + reason();
        return std::nullopt;
    }
    return OutputFile(path, fd, pathText(temporary));
}

}  // namespace brixel::toolkit
