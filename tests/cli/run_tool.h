// SPDX-License-Identifier: MIT
#pragma once
// Runs brixelctl as a user would, for tests of the whole command path.

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace brixel::test {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// `input`, when given, is a file for standard input.
inline ToolRun runTool(const std::string& arguments, const std::string& input = {}) {
    ToolRun run;
    std::string command = std::string(BRIXELCTL_PATH) + " " + arguments + " 2>&1";
    if (!input.empty()) command += " < '" + input + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 512> chunk{};
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.output.append(chunk.data(), n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The same with a terminal as standard input, output and error, as at a
// shell; `typed` is typed at it. The terminal turns each line end into "\r\n".
inline ToolRun runToolOnTerminal(std::vector<std::string> arguments, const std::string& typed = {}) {
    ToolRun run;
    std::string program = BRIXELCTL_PATH;
    std::vector<char*> argv{program.data()};
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return run;
    if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (!typed.empty() && write(terminal, typed.data(), typed.size()) < 0) run.output = "(nothing could be typed)";
    std::array<char, 512> chunk{};
    for (;;) {
        const ssize_t n = read(terminal, chunk.data(), chunk.size());
        if (n > 0)
            run.output.append(chunk.data(), static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;  // EIO: the program has closed its side
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace brixel::test
