#pragma once
// The library writes its console lines with printf; a tool takes them from
// C's stdout stream while a call runs, so it can show them readably or as JSON.

#include <functional>
#include <string>
#include <vector>

namespace brixel::toolkit {

// Runs `call` with C's stdout stream going to a file no name reaches; returns
// the text. Descriptor 1 is left alone.
std::string captureStdout(const std::function<void()>& call);

// Splits captured text into lines; text without a final line end still counts.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace brixel::toolkit
