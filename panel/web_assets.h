// SPDX-License-Identifier: MIT
#pragma once
// The page's files, put into the program by the build from panel/web/.

#include <span>
#include <string_view>

namespace brixel::panel {

struct WebAsset {
    std::string_view path;  // "/panel.js"
    std::string_view contentType;
    std::string_view content;
};

std::span<const WebAsset> webAssets();

}  // namespace brixel::panel
