// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "sim/state_storage.h"
#include "text/windows_error.h"

namespace brixel::sim::storage {
namespace {

std::string lastError() { return text::windowsErrorText(GetLastError()); }

}  // namespace

bool readBounded(const std::filesystem::path& file, std::size_t limit, std::string& content, std::string& error) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec)) {
        error = "cannot read " + displayName(file) + ": not a regular file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot read " + displayName(file) + ": " + std::strerror(errno);
        return false;
    }
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (content.size() + n > limit) {
            error = displayName(file) + " holds more than " + std::to_string(limit) +
                    " bytes: not a simulated device state";
            return false;
        }
        content.append(chunk, n);
    }
    if (in.bad()) {
        error = "cannot read " + displayName(file);
        return false;
    }
    return true;
}

bool replace(const std::filesystem::path& file, std::string_view text, std::string& error) {
    // A name no other run of this or another process picks: _O_EXCL refuses
    // a name already taken, and the next is tried.
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = file.wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L"." +
                    std::to_wstring(counter.fetch_add(1)) + L".tmp";
        fd = _wopen(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = "cannot write beside " + displayName(file) + ": " + std::strerror(errno);
        return false;
    }
    bool written = true;
    while (!text.empty()) {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(text.size(), 1u << 20));
        const int n = _write(fd, text.data(), chunk);
        if (n <= 0) {
            written = false;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (_close(fd) != 0) written = false;
    if (!written) {
        error = "cannot write " + displayName(temporary) + ": " + std::strerror(errno);
        _wunlink(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = "cannot replace " + displayName(file) + ": " + lastError();
        _wunlink(temporary.c_str());
        return false;
    }
    return true;
}

int lock(const std::filesystem::path& lockFile, std::string& error) {
    const int fd = _wopen(lockFile.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = "cannot open " + displayName(lockFile) + ": " + std::strerror(errno);
        return -1;
    }
    OVERLAPPED whole{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = displayName(lockFile) + ": " + lastError();
        _close(fd);
        return -1;
    }
    return fd;
}

void unlock(int handle) {
    // Closing the file releases its lock.
    if (handle >= 0) _close(handle);
}

}  // namespace brixel::sim::storage
