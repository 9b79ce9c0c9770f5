// SPDX-License-Identifier: MIT
#include <filesystem>
#include <system_error>

#include "panel/api_document.h"

namespace brixel::panel {

std::string apiDocumentPlace() {
    // Found from the program's own place, so that an install under any
    // prefix names its own copy; a build never installed names the source's.
    static const std::string place = [] {
        namespace fs = std::filesystem;
        std::error_code error;
        const fs::path program = fs::read_symlink("/proc/self/exe", error);
        if (!error) {
            const fs::path installed = (program.parent_path() / BRIXEL_PANEL_API_FROM_PROGRAM).lexically_normal();
            if (fs::is_regular_file(installed, error)) return installed.string();
        }
        return std::string(BRIXEL_PANEL_API_SOURCE);
    }();
    return place;
}

}  // namespace brixel::panel
