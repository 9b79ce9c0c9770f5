// SPDX-License-Identifier: MIT
#pragma once
// The EDIDs the editor is tried on: the 24 built-in ones, the simulator's
// two, and the displays' EDIDs made for these tests (fixtures/README).

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "edid/catalogue.h"
#include "sim/edid_model.h"

namespace brixel::test {

struct CorpusEdid {
    std::string name;  // usable as a test name
    std::vector<uint8_t> bytes;
};

// The EDID as a failure names it (rather than 56 bytes of pointers).
inline void PrintTo(const CorpusEdid& edid, std::ostream* os) {
    *os << edid.name << " (" << edid.bytes.size() << " bytes)";
}

inline std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string testName(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return text;
}

// The .bin files of a folder, sorted.
inline std::vector<CorpusEdid> binariesIn(const std::filesystem::path& folder, const std::string& prefix) {
    std::vector<CorpusEdid> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".bin")
            found.push_back({testName(prefix + entry.path().stem().string()), readFile(entry.path())});
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return found;
}

inline std::vector<uint8_t> editorFixture(const std::string& name) {
    return readFile(std::filesystem::path(BRIXEL_EDID_EDITOR_FIXTURES) / name);
}

inline std::vector<CorpusEdid> editorCorpus() {
    std::vector<CorpusEdid> corpus;
    for (const auto& row : edid::catalogue) {
        const auto& e = *edid::builtInEdidFor(row.value);
        corpus.push_back({testName("builtin_" + std::string(row.name)), {e.begin(), e.end()}});
    }
    const auto factory = sim::factoryEdid();
    const auto display = sim::displayEdid();
    corpus.push_back({"sim_factory", {factory.begin(), factory.end()}});
    corpus.push_back({"sim_display", {display.begin(), display.end()}});
    const auto made = binariesIn(BRIXEL_EDID_EDITOR_FIXTURES, "");
    corpus.insert(corpus.end(), made.begin(), made.end());
    return corpus;
}

}  // namespace brixel::test
