#pragma once
// A count with its noun, in the singular for one: "1 problem", "2 problems".

#include <cstddef>
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

}  // namespace brixel::text
