// SPDX-License-Identifier: MIT
#pragma once
// The sources on the input ports and the display on the output, as the status
// registers report them.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brixel::sim {

// What a source on one input port sends.
struct SimulatedSource {
    bool connected = false;
    uint8_t videoCode = 0;            // CTA-861 VIC
    uint32_t pixelClockKhz = 0;       // as the receiver counts it: halved for 4:2:0, raised by the depth
    uint8_t colorFormat = 0;          // AVI Y: 0 RGB, 1 4:2:2, 2 4:4:4, 3 4:2:0
    uint8_t depth = 0;                // 0 8-bit, 1 10-bit, 2 12-bit, 3 16-bit
    uint8_t colorimetry = 0;          // AVI C
    uint8_t extendedColorimetry = 0;  // AVI EC
    uint8_t quantization = 0;         // AVI Q: 0 default, 1 limited, 2 full
    bool hdr = false;                 // sends a Dynamic Range and Mastering InfoFrame
    uint8_t eotf = 0;                 // its EOTF: 0 SDR, 1 HDR luminance, 2 ST 2084, 3 HLG
    bool threeD = false;
    uint8_t structure3d = 0;  // 0x00 frame packing, 0x60 top-and-bottom, 0x80 side-by-side
    uint8_t hdcp = 0x55;      // 0x14, 0x22, 0x55 none
    std::string vendor;       // SPD vendor name, up to 8 characters
    std::string product;      // SPD product description, up to 16
    uint8_t sourceInfo = 0;   // SPD source information: 0x08 game, 0x0A Blu-ray ...
    bool audio = true;
};

struct ReportState {
    // Ports 1 to 4.
    std::array<SimulatedSource, 4> ports = defaultSources();
    // The display takes 2160p; when not, auto scaling brings 2160p down.
    bool display2160p = true;
    // Register blocks answered exactly as given, whatever the sources, for
    // tests and scripted sessions: register number to the bytes from byte 2 on.
    // Only the device's own registers are read; a script for another changes
    // nothing, as the device still has no such register.
    std::map<uint8_t, std::vector<uint8_t>> scriptedBlocks;

    static std::array<SimulatedSource, 4> defaultSources();
};

}  // namespace brixel::sim
