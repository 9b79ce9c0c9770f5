#pragma once
// Small helpers the commands share: whole files in and out, and a list of
// problems as one message.

#include <CLI/CLI.hpp>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace brixel::cli {

// A file the user named, whole; a usage error (exit 2) when it cannot be read.
inline std::string readWholeFile(const std::string& path, const std::string& option = "FILE") {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CLI::ValidationError(option, "cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw CLI::ValidationError("FILE", "cannot write " + path);
}

// Each problem on a line of its own, indented under the message it follows.
inline std::string joinedProblems(const std::vector<std::string>& problems) {
    std::string text;
    for (const auto& p : problems) text += "\n  " + p;
    return text;
}

}  // namespace brixel::cli
