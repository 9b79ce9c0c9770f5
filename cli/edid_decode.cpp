#include "cli/edid_decode.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace brixel::cli {

bool edidDecodeInstalled() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((std::filesystem::path(dir) / edidDecodeProgram).string().c_str(), X_OK) == 0)
            return true;
    return false;
}

std::optional<std::string> runEdidDecode(std::span<const uint8_t> edid, std::string_view options) {
    if (!edidDecodeInstalled()) return std::nullopt;
    char name[] = "/tmp/brixel-edid-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) throw std::runtime_error("cannot make a temporary file for edid-decode");
    close(fd);
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(edid.data()), static_cast<std::streamsize>(edid.size()));
    file.close();
    if (!file) {
        std::remove(name);
        throw std::runtime_error("cannot write the EDID to a temporary file for edid-decode");
    }
    std::string command(edidDecodeProgram);
    if (!options.empty()) command.append(" ").append(options);
    command.append(" '").append(name).append("' 2>&1");
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, n);
        pclose(pipe);
    }
    std::remove(name);
    return text;
}

}  // namespace brixel::cli
