#pragma once
// The values a command-line completion offers for an option or a positional
// argument (a setting's names, the built-in EDIDs, the fault kinds), given
// where the option is defined and read where the completion is written.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace brixel::cli {

// `option` takes one of `values` (in any case).
void offerValues(const CLI::Option* option, std::vector<std::string> values);

// The values offered for `option`; empty when it takes any text (a file).
const std::vector<std::string>& offeredValues(const CLI::Option* option);

}  // namespace brixel::cli
