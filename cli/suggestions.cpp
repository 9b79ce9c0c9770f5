// SPDX-License-Identifier: MIT
#include "cli/suggestions.h"

#include <algorithm>
#include <numeric>

namespace brixel::cli {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWith(std::string_view text, std::string_view prefix) {
    return prefix.size() <= text.size() && editDistance(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string> closestWords(std::string_view word, const std::vector<std::string>& candidates) {
    const std::size_t allowed = std::max<std::size_t>(2, word.size() / 3);
    std::vector<std::pair<std::size_t, std::string>> near;
    for (const auto& c : candidates) {
        const std::size_t d = editDistance(word, c);
        const bool prefix = word.size() >= 2 && (startsWith(c, word) || startsWith(word, c));
        if (d <= allowed || prefix) near.emplace_back(prefix ? std::min<std::size_t>(d, 1) : d, c);
    }
    std::stable_sort(near.begin(), near.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> words;
    for (std::size_t k = 0; k < near.size() && k < 3; ++k) words.push_back(near[k].second);
    return words;
}

}  // namespace brixel::cli
