// SPDX-License-Identifier: MIT
#pragma once
// Warning texts of the link that callers recognise: they reach the host's
// warning service as they are written here.

namespace brixel {

// Shown when no device reports the serial string.
inline constexpr const wchar_t* notConnectedWarning = L"BRIXEL USB not connected!";

}  // namespace brixel
