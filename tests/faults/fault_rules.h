// SPDX-License-Identifier: MIT
#pragma once
// What the rules say an operation does under one fault: its result, its
// console lines, its warnings, its frames, opens, closes and waits, and how
// each frame's reply ended. Written from the rules of the link and of each
// operation, with the recorded choices of this library where the rules leave
// room or where it is stricter:
// - a multi-frame write (EDID, HDR InfoFrame, built-in EDID) is true only when
//   every frame was acknowledged;
// - an EDID read counts a reply shorter than its 16 bytes as failed, and the
//   sink read has its own line;
// - set3x is false when the reply's first byte is not 0xE8.
// Shared by the fault matrix test and the soak. Pure: no simulator, no library.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brixel::faults {

// The operations by the shape of their traffic.
enum class Shape {
    settingWrite,  // setBrixelState and every wrapper, set3xEn
    stateRead,     // getBrixelState
    versionRead,   // getFwVersion
    matrixRead,    // get3x
    matrixWrite,   // set3x
    edidRead,      // getEdid
    sinkEdidRead,  // getSinkEdid
    edidWrite,     // setCustomEdid
    builtInEdid,   // changeCustomEdid with a value 2 to 25: the upload, then the setting
    aviInfoFrame,  // setAviIf with text it accepts
    hdrInfoFrame,  // setHdrIf with text it accepts
    report,        // getVideoFormat
};

// How the link stands when the operation starts.
enum class Link {
    closed,           // leave-open not set
    leaveOpenClosed,  // leave-open set, the device not yet open
    leaveOpenOpen,    // leave-open set and the device open
};

// How one frame's exchange ended.
enum class Reply {
    answered,     // as the device answers
    lost,         // the write failed, or no reply came within the window
    queueFailed,  // a receive-queue check failed: no read
    readFailed,   // the read delivered the reply but reported failure
    shortReply,   // one byte came: the echo
    wrongEcho,    // the whole reply came, its first byte changed
    unplugged,    // the device went as the frame was written
};

// A fault by its name in the simulator's table, aimed at the operation's
// frame `frame` (counted from 0 over the frames this operation writes) where
// the kind hits frames.
struct Fault {
    std::string_view kind;  // empty: none
    uint32_t frame = 0;
};

struct Expected {
    bool result = false;
    std::string printed;
    std::vector<std::wstring> warnings;
    uint32_t writes = 0;  // write calls, failed ones included
    uint32_t opens = 0;   // open calls, failed ones included
    uint32_t closes = 0;
    std::vector<uint32_t> sleeps;
    std::vector<Reply> replies;  // one per write, in order
    bool linkOpenAfter = false;
};

struct Conditions {
    Link link = Link::closed;
    Fault fault;
    // Receive-queue checks in a reply window that sees nothing.
    uint32_t silentWindowChecks = 4000;
    // The device's status block opens the report's gate.
    bool reportGateOpen = true;
};

// Nullopt for a fault kind these rules do not know.
std::optional<Expected> expectedRun(Shape shape, const Conditions& conditions);

// The reply's bytes reached the caller's buffer as the device sent them.
inline bool dataArrived(Reply r) { return r == Reply::answered || r == Reply::readFailed || r == Reply::wrongEcho; }

}  // namespace brixel::faults
