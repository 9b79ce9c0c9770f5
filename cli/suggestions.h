// SPDX-License-Identifier: MIT
#pragma once
// The words closest to one that was mistyped, for "did you mean". Pure.

#include <string>
#include <string_view>
#include <vector>

namespace brixel::cli {

// Edits (insertions, deletions, substitutions, case ignored) between two words.
std::size_t editDistance(std::string_view a, std::string_view b);

// Up to three of `candidates` that `word` may have meant, nearest first: those
// within a few edits, and those it begins or that begin with it.
std::vector<std::string> closestWords(std::string_view word, const std::vector<std::string>& candidates);

}  // namespace brixel::cli
