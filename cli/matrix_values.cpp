#include "cli/matrix_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace brixel::cli {

std::vector<std::string> matrixFileWords(std::string_view content) {
    std::vector<std::string> words;
    std::string word;
    bool comment = false;
    for (char c : content) {
        if (c == '\n') comment = false;
        if (c == '#') comment = true;
        const bool separator = comment || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (!separator) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

SB_VALUES parseMatrixValues(const std::vector<std::string>& words, std::vector<std::string>& problems) {
    SB_VALUES values{};
    if (words.size() != matrixRecordFields.size()) {
        problems.push_back("expected 12 values (offset1 coef11 coef12 coef13 offset2 ... coef33), got " +
                           std::to_string(words.size()));
        return values;
    }
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::string& w = words[k];
        const std::string name(matrixRecordFields[k].name);
        double v = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
        if (ec != std::errc{} || end != w.data() + w.size() || !std::isfinite(v)) {
            problems.push_back(name + ": '" + w + "' is not a number");
            continue;
        }
        const bool offset = k % 4 == 0;
        const double low = offset ? offsetLow : -coefficientLimit;
        const double high = offset ? offsetHigh : coefficientLimit;
        if (v < low || v > high) {
            char text[160];
            std::snprintf(text, sizeof text, "%s: %g is outside %g to %g, which its 16-bit field holds", name.c_str(),
                          v, low, high);
            problems.push_back(text);
            continue;
        }
        values.*matrixRecordFields[k].field = v;
    }
    return values;
}

}  // namespace brixel::cli
