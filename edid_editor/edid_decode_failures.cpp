// SPDX-License-Identifier: MIT
#include "edid_editor/edid_decode_failures.h"

#include <algorithm>
#include <map>

namespace brixel::edid_editor {
namespace {

struct Failure {
    std::string identity;
    std::string text;
};

std::size_t indentOf(std::string_view line) {
    const std::size_t at = line.find_first_not_of(' ');
    return at == std::string_view::npos ? line.size() : at;
}

std::string_view trimmed(std::string_view line) {
    line.remove_prefix(indentOf(line));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

std::vector<Failure> failures(std::string_view output) {
    std::vector<Failure> found;
    std::string part, headline;
    bool inFailures = false, headlineHasDetails = false;
    const auto flushHeadline = [&] {
        if (!headline.empty() && !headlineHasDetails) found.push_back({part + headline, part + headline});
        headline.clear();
        headlineHasDetails = false;
    };
    std::size_t at = 0;
    while (at < output.size()) {
        const std::size_t end = std::min(output.find('\n', at), output.size());
        const std::string_view line = output.substr(at, end - at);
        at = end + 1;
        if (!inFailures) {
            inFailures = trimmed(line) == "Failures:";
            continue;
        }
        const std::string_view text = trimmed(line);
        if (text.empty()) continue;
        if (text.starts_with("EDID conformity:")) break;
        const std::size_t indent = indentOf(line);
        if (indent == 0) {
            flushHeadline();
            part = std::string(text) + " ";
        } else if (indent <= 2 || headline.empty()) {
            flushHeadline();
            headline = std::string(text);
        } else {
            headlineHasDetails = true;
            const std::string_view label = text.substr(0, text.find(':'));
            found.push_back({part + headline + " " + std::string(label), part + headline + " " + std::string(text)});
        }
    }
    flushHeadline();
    return found;
}

}  // namespace

std::vector<std::string> edidDecodeFailures(std::string_view checkOutput) {
    std::vector<std::string> lines;
    for (auto& failure : failures(checkOutput)) lines.push_back(std::move(failure.text));
    return lines;
}

std::vector<std::string> newEdidDecodeFailures(std::string_view before, std::string_view after) {
    std::map<std::string, int> known;
    for (const auto& failure : failures(before)) ++known[failure.identity];
    std::vector<std::string> fresh;
    for (auto& failure : failures(after))
        if (known[failure.identity]-- <= 0) fresh.push_back(std::move(failure.text));
    return fresh;
}

}  // namespace brixel::edid_editor
