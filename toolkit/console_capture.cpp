#include "toolkit/console_capture.h"

#include <unistd.h>

#include <cstdio>

#include "toolkit/files.h"

namespace brixel::toolkit {

std::string captureStdout(const std::function<void()>& call) {
    std::fflush(stdout);
    const int sink = anonymousTemporaryFile();
    const int saved = sink >= 0 ? dup(STDOUT_FILENO) : -1;
    if (sink < 0 || saved < 0 || dup2(sink, STDOUT_FILENO) < 0) {
        // Cannot capture: let the lines through as they are.
        if (saved >= 0) close(saved);
        if (sink >= 0) close(sink);
        call();
        return {};
    }
    struct Restore {
        int saved;
        ~Restore() {
            std::fflush(stdout);
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    };
    {
        Restore restore{saved};
        call();
    }
    std::string text;
    lseek(sink, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n = 0;
    while ((n = read(sink, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<std::size_t>(n));
    close(sink);
    return text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace brixel::toolkit
