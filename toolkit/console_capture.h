#pragma once
// The library writes its console lines with printf; the tool takes them from
// standard output while a call runs, so it can show them readably or as JSON.

#include <functional>
#include <string>
#include <vector>

namespace brixel::toolkit {

// Runs `call` with standard output going to a file no name reaches; returns the text.
std::string captureStdout(const std::function<void()>& call);

// Splits captured text into lines; text without a final line end still counts.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace brixel::toolkit
