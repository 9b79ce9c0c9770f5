// SPDX-License-Identifier: MIT
// What is plugged into the simulated device's inputs when it is new.

#include "sim/report_model.h"

namespace brixel::sim {

std::array<SimulatedSource, 4> ReportState::defaultSources() {
    SimulatedSource player;  // a UHD Blu-ray player playing an HDR10 film
    player.connected = true;
    player.videoCode = 97;          // 3840x2160p60
    player.pixelClockKhz = 371250;  // 594000 halved for 4:2:0, x1.25 for 10-bit
    player.colorFormat = 3;         // 4:2:0
    player.depth = 1;
    player.colorimetry = 3;  // extended: BT.2020
    player.extendedColorimetry = 6;
    player.quantization = 1;
    player.hdr = true;
    player.eotf = 2;  // SMPTE ST 2084
    player.hdcp = 0x22;
    player.vendor = "Brixsim";
    player.product = "UHD Player X1";
    player.sourceInfo = 0x0A;

    SimulatedSource console;  // a games console at 1080p60, full-range RGB
    console.connected = true;
    console.videoCode = 16;
    console.pixelClockKhz = 148500;
    console.colorFormat = 0;
    console.depth = 0;
    console.colorimetry = 2;  // BT.709
    console.quantization = 2;
    console.hdcp = 0x14;
    console.vendor = "GameCo";
    console.product = "Console Pro";
    console.sourceInfo = 0x08;

    SimulatedSource film;  // a media PC playing a 24p film in SDR
    film.connected = true;
    film.videoCode = 93;  // 3840x2160p24
    film.pixelClockKhz = 297000;
    film.colorFormat = 1;  // 4:2:2, up to 12-bit
    film.depth = 0;
    film.colorimetry = 2;
    film.quantization = 1;
    film.hdr = true;  // an HDR InfoFrame that says SDR
    film.eotf = 0;
    film.hdcp = 0x55;
    film.vendor = "HTPC";
    film.product = "Media Center";
    film.sourceInfo = 0x09;

    return {player, console, film, SimulatedSource{}};  // nothing on port 4
}

}  // namespace brixel::sim
