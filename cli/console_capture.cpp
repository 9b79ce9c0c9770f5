#include "cli/console_capture.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace brixel::cli {

std::string captureStdout(const std::function<void()>& call) {
    std::fflush(stdout);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(std::tmpfile(), std::fclose);
    std::FILE* sink = owned.get();
    const int saved = sink ? dup(STDOUT_FILENO) : -1;
    if (!sink || saved < 0 || dup2(fileno(sink), STDOUT_FILENO) < 0) {
        // Cannot capture: let the lines through as they are.
        if (saved >= 0) close(saved);
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
    std::rewind(sink);
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, sink)) > 0) text.append(chunk, n);
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

}  // namespace brixel::cli
