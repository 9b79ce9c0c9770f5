#pragma once
// The markup around a line of VIDEO_STATUS that the application renders red.

#include <string_view>

namespace brixel {

inline constexpr std::string_view warningOpen = "<font color='red'>";
inline constexpr std::string_view warningClose = "</font>";

}  // namespace brixel
