// SPDX-License-Identifier: MIT
#pragma once
// The manual page and the bash completion, written from the command
// definitions themselves so that they never drift from the tool.

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace brixel::cli {

// brixelctl(1) in roff, for man.
std::string manualPage(const CLI::App& app, std::string_view version, std::string_view afterCommands);

// `brixelctl --help` and every command's --help in turn, as plain text: the
// manual where there is no man (the Windows SDK's bin\brixelctl-help.txt).
std::string helpText(const CLI::App& app);

// A bash completion script: commands, their options, the values an option or
// a first argument takes (cli/completion_values.h), file names for the rest.
std::string bashCompletion(const CLI::App& app);

}  // namespace brixel::cli
