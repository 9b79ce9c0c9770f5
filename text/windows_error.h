// SPDX-License-Identifier: MIT
#pragma once
// Windows' own words for an error code, in UTF-8 as everything here prints
// them (std::system_category gives the ANSI code page's), without the line
// end and the full stop, and with inserts ("%1") left as written rather than
// read from nowhere. For the Windows files alone.

#include <windows.h>

#include <string>

namespace brixel::text {

inline std::string windowsErrorText(DWORD code) {
    wchar_t* wide = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    std::string text;
    if (n > 0) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), text.data(), size, nullptr, nullptr);
    }
    if (wide) LocalFree(wide);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
    return text.empty() ? "Windows error " + std::to_string(code) : text;
}

}  // namespace brixel::text
