#pragma once
// A count with its noun, in the singular for one: "1 problem", "2 problems".

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

namespace brixel::text {

// `many` when the plural is not the singular with an s ("1 entry", "2 entries").
inline std::string counted(std::size_t count, std::string_view one, std::string_view many = {}) {
    std::string text = std::to_string(count) + ' ';
    if (count == 1) return text.append(one);
    if (!many.empty()) return text.append(many);
    return text.append(one).append("s");
}

// "A", "A and B", "A, B and C".
template <typename Words>
std::string listed(const Words& words) {
    std::string text;
    std::size_t k = 0;
    for (const auto& word : words) {
        if (k > 0) text += k + 1 == std::size(words) ? " and " : ", ";
        text += word;
        ++k;
    }
    return text;
}

}  // namespace brixel::text
