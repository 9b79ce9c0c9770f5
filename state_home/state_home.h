// SPDX-License-Identifier: MIT
#pragma once
// Where brixelctl keeps what outlives a run (the simulated device, the
// settings it remembers), for every layer that keeps some: the simulator and
// the toolkit see each other's files only through this one folder.

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace brixel::state_home {

// The folder's name in the user's state home.
inline constexpr const char* toolFolder = "brixelctl";

// $XDG_STATE_HOME, else ~/.local/state; on Windows %LOCALAPPDATA%
// (XDG_STATE_HOME too when set). The temporary folder where none is set.
inline std::filesystem::path stateHome() {
#ifdef _WIN32
    for (const wchar_t* name : {L"XDG_STATE_HOME", L"LOCALAPPDATA"})
        if (const wchar_t* value = _wgetenv(name); value && *value) return value;
#else
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) return state;
    if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".local" / "state";
#endif
    std::error_code ignored;  // a TMPDIR that is no folder is no reason to stop
    const auto temporary = std::filesystem::temp_directory_path(ignored);
    return temporary.empty() ? std::filesystem::path(".") : temporary;
}

// The file `name` in brixelctl's folder of the state home.
inline std::filesystem::path stateFile(const char* name) { return stateHome() / toolFolder / name; }

}  // namespace brixel::state_home
