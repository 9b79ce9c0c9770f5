// SPDX-License-Identifier: MIT
#pragma once
// What a tool's exit status tells a script: the one contract of brixelctl,
// its manual page and whatever else drives the device through the toolkit.

#include <string_view>

namespace brixel::toolkit {

enum ExitCode : int {
    exitConfirmed = 0,     // the device confirmed, or the command needed no device
    exitNotConfirmed = 1,  // a Brixel was reached and did not confirm
    exitUsage = 2,         // the command line or its input is wrong: nothing was sent
    exitNoDevice = 3,      // no Brixel reachable: none found, or it could not be opened
};

// The contract as a paragraph of help text.
inline constexpr std::string_view exitStatusText =
    "Exit status: 0 when the device confirmed (or the command needs no device), 1 when it did not "
    "confirm, 2 for usage errors (nothing was sent), 3 when no Brixel was reachable (none found, or "
    "no permission to open it).";

}  // namespace brixel::toolkit
