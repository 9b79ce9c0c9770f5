#pragma once
// Runs brixelctl as a user would, for tests of the whole command path.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace brixel::test {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

inline ToolRun runTool(const std::string& arguments) {
    ToolRun run;
    const std::string command = std::string(BRIXELCTL_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 512> chunk{};
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe)) run.output += chunk.data();
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace brixel::test
