// SPDX-License-Identifier: MIT
// setAviIf and setHdrIf: one write frame, the wait, one activation frame.

#include <BrixelLibrary.h>

#include <array>
#include <cstring>

#include "infoframe/hex_text.h"
#include "infoframe/infoframe_bytes.h"
#include "link/connection.h"
#include "link/platform_access.h"
#include "link/timings.h"
#include "link/transact.h"
#include "protocol/commands.h"
#include "protocol/frame.h"

namespace brixel {
namespace {

struct InfoFrameKind {
    std::size_t maxTextLength;
    const char* lengthError;
    uint8_t command;
    const char* written;
    const char* notWritten;
    bool stopsWhenNotWritten;
    uint8_t activation;
    const char* notActivated;
};

constexpr std::size_t minTextLength = infoframe::textLengthOf(infoframe::minBytes);

constexpr InfoFrameKind aviKind{infoframe::textLengthOf(infoframe::aviMaxBytes),
                                "Error: min 2, max 17 data bytes",
                                protocol::commandAviInfoFrame,
                                "AVI values written...",
                                "Error Writing AVI command.",
                                true,
                                protocol::activateAvi,
                                "\nError Activating AVI values.\n"};
constexpr InfoFrameKind hdrKind{infoframe::textLengthOf(infoframe::hdrMaxBytes),
                                "Error: min 2, max 31 data bytes",
                                protocol::commandHdrInfoFrame,
                                "Infoframe values written...\n",
                                "Error Writing Infoframe values.\n",
                                false,
                                protocol::activateHdr,
                                "\nError Populating IF values.\n"};

static_assert(protocol::requestHeaderSize + protocol::infoFrameAreaSize <= protocol::maxFrameSize);
static_assert(hdrKind.maxTextLength + 1 < infoFrameTextAreaSize);

// The parser takes the pair in front of a colon from the two characters before
// it; with fewer there it would have nothing to read.
constexpr const char* leadingColonError = "Error: the text must begin with a byte of two hex digits, not a colon\n";

bool sendInfoFrame(const InfoFrameKind& kind, const char* text, bool fillChecksum) {
    const std::size_t length = strnlen(text, kind.maxTextLength + 1);
    if (length < minTextLength || length > kind.maxTextLength) {
        console(kind.lengthError);
        return false;
    }
    if (text[0] == ':' || text[1] == ':') {
        console(leadingColonError);
        return false;
    }

    std::array<char, infoFrameTextAreaSize> textArea{};
    std::memcpy(textArea.data(), text, length);
    textArea[length] = '\r';

    std::array<uint8_t, protocol::maxFrameSize> frame{};
    const InfoFrameBytes bytes(frame.data() + protocol::requestHeaderSize, protocol::infoFrameAreaSize);
    const uint8_t count = parseHexBytes(textArea, bytes, length + 1);
    // With fewer than four bytes the checksum lands past the frame and is not sent.
    if (fillChecksum) bytes[infoframe::checksumIndex] = hdrChecksum(bytes, count);
    frame[0] = protocol::requestWrite;
    frame[1] = count;
    frame[2] = kind.command;

    DeviceUse device;
    if (!device) return false;
    std::array<uint8_t, protocol::replySize> reply{};
    const bool written =
        transact(reply, std::span(frame).first(count + protocol::requestHeaderSize)) && reply[0] == kind.command;
    console(written ? kind.written : kind.notWritten);
    if (!written && kind.stopsWhenNotWritten) return false;
    sleepMs(infoFrameActivationWaitMs);

    // Byte 1 still holds the count of the write frame: the device ignores it here.
    frame[2] = protocol::commandActivate;
    frame[3] = kind.activation;
    const bool activated =
        transact(reply, std::span(frame).first(protocol::activationFrameSize)) && reply[0] == protocol::commandActivate;
    if (!activated) console(kind.notActivated);
    return written && activated;
}

}  // namespace
}  // namespace brixel

BRIXEL_API bool setAviIf(char* text) {
    if (text == nullptr) return false;
    return brixel::sendInfoFrame(brixel::aviKind, text, false);
}

BRIXEL_API bool setHdrIf(char* text, bool fillChecksum) {
    if (text == nullptr) return false;
    return brixel::sendInfoFrame(brixel::hdrKind, text, fillChecksum);
}
