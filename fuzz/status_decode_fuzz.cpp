// SPDX-License-Identifier: MIT
// The status report's decoding over any register blocks: no device, just
// bytes in and twenty lines out.
//
// Input: a byte of choices, then the eight blocks' bytes in the order status,
// SPD, HDR, vendor 1, vendor 2, audio, AVI, display name (zeros where the
// input ends).

#include <BrixelLibrary.h>

#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "fuzz/video_status_checks.h"
#include "report/status_decode.h"

namespace {

using brixel::fuzz::BlockBytes;
using brixel::fuzz::Guarded;
using brixel::fuzz::Input;

// A reply buffer as the device left it: bytes past the count asked for are 0.
void fill(BlockBytes& block, Input& in, std::size_t count) {
    const auto bytes = in.bytes(count);
    block.fill(0);
    std::copy(bytes.begin(), bytes.end(), block.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    const uint8_t choices = in.byte();
    const uint8_t untouched = in.byte();

    brixel::fuzz::ReportBlocks blocks;
    // The counts the report asks for; with the low bit set, all 64 bytes a reply may bring.
    const bool fullReplies = (choices & 1) != 0;
    const auto count = [&](std::size_t asked) { return fullReplies ? std::size_t{64} : asked; };
    fill(blocks.status, in, count(28));
    // Mostly with the gate open, so that the decoding runs.
    if (choices & 2) blocks.status[27] = (choices & 4) ? 10 : 8;
    for (BlockBytes* block : {&blocks.spd, &blocks.hdr, &blocks.vendor1, &blocks.vendor2, &blocks.audio, &blocks.avi})
        fill(*block, in, count(33));
    fill(blocks.displayName, in, count(15));

    brixel::StatusBlocks library;
    library.status = blocks.status;
    library.spd = blocks.spd;
    library.hdr = blocks.hdr;
    library.vendor1 = blocks.vendor1;
    library.vendor2 = blocks.vendor2;
    library.audio = blocks.audio;
    library.avi = blocks.avi;
    library.displayName = blocks.displayName;

    Guarded record(sizeof(VIDEO_STATUS), untouched);
    auto* status = reinterpret_cast<VIDEO_STATUS*>(record.data());
    brixel::decodeVideoStatus(library, *status);
    brixel::fuzz::checkVideoStatus(blocks, record, untouched);
    return 0;
}
