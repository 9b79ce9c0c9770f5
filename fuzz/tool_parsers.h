#pragma once
// Where brixelctl keeps the parsers its fuzz targets drive: the one place to
// change (with the target linked in CMakeLists.txt) when they move.

#include "cli/edid_file.h"
#include "cli/infoframe_text.h"
#include "cli/parse.h"

namespace brixel::fuzz {
namespace tool = brixel::cli;
}  // namespace brixel::fuzz
