// SPDX-License-Identifier: MIT
#include "toolkit/infoframe_input.h"

#include "toolkit/edid_file.h"

namespace brixel::toolkit {

std::optional<InfoFrameBytes> readInfoFrameBytes(std::string_view content, std::string& error) {
    // The EDID reader knows every hex form people paste, and raw binary.
    std::string why;
    auto read = readEdidBytes(content, why);
    if (!read) {
        error = "This is no InfoFrame: " + why + ".";
        return std::nullopt;
    }
    const std::size_t n = read->bytes.size();
    const std::string holds =
        (read->form == "raw binary" ? std::string("The input") : "The input, " + read->form + ",") + " holds " +
        std::to_string(n) + (n == 1 ? " byte" : " bytes");
    if (n == 0) {
        error = "The input is empty; give an InfoFrame as hex bytes (87:01:1a:...) or as a binary file.";
        return std::nullopt;
    }
    if (n < infoFrameMinBytes) {
        error =
            holds + ", fewer than the " + std::to_string(infoFrameMinBytes) + " of an InfoFrame's header and checksum.";
        return std::nullopt;
    }
    if (n > infoFrameMaxBytes) {
        error = holds + ", more than the " + std::to_string(infoFrameMaxBytes) +
                " of a whole InfoFrame (header, checksum and 27 payload bytes).";
        return std::nullopt;
    }
    return InfoFrameBytes{std::move(read->bytes), std::move(read->form)};
}

}  // namespace brixel::toolkit
