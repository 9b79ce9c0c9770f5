// SPDX-License-Identifier: MIT
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "toolkit/edid_decode.h"

namespace brixel::toolkit {

const std::string_view edidDecodeMissing =
    "edid-decode is not installed; on Debian or Ubuntu: sudo apt-get install edid-decode";

const std::string_view edidDecodeHelpNote = "";

bool edidDecodeInstalled() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((std::filesystem::path(dir) / edidDecodeProgram).string().c_str(), X_OK) == 0)
            return true;
    return false;
}

std::optional<EdidDecodeRun> runEdidDecodeFor(std::span<const uint8_t> edid, const std::vector<std::string>& options) {
    if (!edidDecodeInstalled()) return std::nullopt;
    int input[2];
    int output[2];
    if (pipe(input) != 0) throw std::runtime_error("cannot start edid-decode: no pipe");
    if (pipe(output) != 0) {
        close(input[0]);
        close(input[1]);
        throw std::runtime_error("cannot start edid-decode: no pipe");
    }
    std::string program(edidDecodeProgram);
    std::vector<std::string> words = options;
    std::vector<char*> argv{program.data()};
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        close(input[0]);
        close(input[1]);
        close(output[0]);
        close(output[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    if (child < 0) {
        close(input[1]);
        close(output[0]);
        throw std::runtime_error("cannot start edid-decode");
    }
    // An EDID is far below a pipe's capacity: written whole before anything is read.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    std::size_t sent = 0;
    while (sent < edid.size()) {
        const ssize_t n = write(input[1], edid.data() + sent, edid.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    close(input[1]);
    sigaction(SIGPIPE, &previous, nullptr);

    EdidDecodeRun run;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(output[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        run.output.append(chunk, static_cast<std::size_t>(n));
    }
    close(output[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::optional<std::string> runEdidDecode(std::span<const uint8_t> edid, std::string_view options) {
    std::vector<std::string> words;
    if (!options.empty()) words.emplace_back(options);
    const auto run = runEdidDecodeFor(edid, words);
    if (!run) return std::nullopt;
    return run->output;
}

}  // namespace brixel::toolkit
