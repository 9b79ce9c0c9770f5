// SPDX-License-Identifier: MIT
// The simulated device's state file on any content: the loader either takes
// it or refuses it with a std::runtime_error (which names what it could not
// hold), never converting a fraction or a negative number into a field; what
// it takes is written and read back unchanged, and the device it gives answers
// frames as any device does.
//
// Input: the file's content.

#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_support.h"
#include "sim/state_file.h"

namespace {

// No field of the device holds a fraction or a negative number.
bool holdsNumberNoFieldTakes(const nlohmann::json& j) {
    if (j.is_number_float()) return true;
    if (j.is_number_integer() && !j.is_number_unsigned()) return j.get<int64_t>() < 0;
    if (j.is_structured())
        for (const auto& element : j)
            if (holdsNumberNoFieldTakes(element)) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // What is not JSON at all never reaches the loader.
    const auto state = nlohmann::json::parse(data, data + size, nullptr, false);
    if (state.is_discarded()) return 0;

    brixel::sim::DeviceModel model;
    try {
        model = brixel::sim::loadState(state);
    } catch (const std::runtime_error& e) {
        FUZZ_CHECK(std::string(e.what()).find_first_not_of(' ') != std::string::npos);  // says what it refused
        return 0;  // any other exception escapes and is reported
    }
    FUZZ_CHECK(!holdsNumberNoFieldTakes(state));

    // What was taken is written and read back unchanged.
    const nlohmann::json saved = brixel::sim::saveState(model);
    brixel::sim::DeviceModel again;
    try {
        again = brixel::sim::loadState(saved);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "a saved state is refused: %s\n", e.what());
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(brixel::sim::saveState(again) == saved);

    // The device it gives answers the state read and the register reads.
    const std::array<uint8_t, 3> stateRead{0x11, 0x3E, 0xE1};
    const auto reply = model.answer(stateRead);
    FUZZ_CHECK(reply.size() == 62 && reply[0] == 0xE1);
    constexpr std::array<uint8_t, 10> registers{6, 7, 21, 30, 31, 37, 38, 39, 44, 53};
    for (const uint8_t reg : registers) {
        const std::array<uint8_t, 4> read{0x11, 0x40, 0xE0, reg};
        FUZZ_CHECK(model.answer(read).size() <= 64);
    }
    return 0;
}
