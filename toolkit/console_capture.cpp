#include "toolkit/console_capture.h"

#include <unistd.h>

#include <cstdio>

#include "toolkit/files.h"

namespace brixel::toolkit {

// The library prints through C's stdout stream, so that stream is what is
// redirected, not descriptor 1: in a host process (the Python bindings) other
// threads keep writing to the descriptor while a call runs (Python's own
// print does), and their text must neither vanish into the capture nor show
// up as the library's.
std::string captureStdout(const std::function<void()>& call) {
    std::fflush(stdout);
    const int fd = anonymousTemporaryFile();
    std::FILE* const sink = fd >= 0 ? fdopen(fd, "w+") : nullptr;
    if (!sink) {
        // Cannot capture: let the lines through as they are.
        if (fd >= 0) close(fd);
        call();
        return {};
    }
    struct Restore {
        std::FILE* saved;
        ~Restore() {
            std::fflush(stdout);
            stdout = saved;
        }
    };
    {
        Restore restore{stdout};
        stdout = sink;
        call();
    }
    std::string text;
    std::rewind(sink);
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, sink)) > 0) text.append(chunk, n);
    std::fclose(sink);
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
