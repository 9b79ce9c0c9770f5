// SPDX-License-Identifier: MIT
// list: every device of the USB layer, where it is, and whether it is a
// Brixel that can be opened.

#include <array>
#include <cstring>
#include <string>

#include "protocol/device.h"
#include "toolkit/operation_families.h"
#include "toolkit/usb_device_filter.h"

namespace brixel::toolkit::families {
namespace {

using nlohmann::json;

// Asks the layer itself, not the library: confirmed when a Brixel opens.
Plan list(const Operation&, const Inputs&) {
    Plan plan;
    plan.subject = "list";
    plan.run = [](RunContext& run) {
        const BRIXEL_USB_LAYER& usb = run.usb;
        json devices = json::array();
        bool anyOpens = false;
        uint32_t count = 0;
        if (usb.getNumDevices(&count) != 0) count = 0;
        for (uint32_t i = 0; i < count; ++i) {
            std::array<char, protocol::serialBufferSize + 1> serial{};
            const bool serialRead = usb.getProductString(i, serial.data(), protocol::productStringSerial) == 0;
            const std::string text(serial.data(), strnlen(serial.data(), protocol::serialBufferSize));
            const bool brixel = serialRead && text == protocol::deviceSerial;
            const std::size_t warned = run.warnings.size();
            void* handle = nullptr;
            const bool opens = usb.open(i, &handle) == 0;
            if (opens) usb.close(handle);
            const std::vector<std::string> why(run.warnings.begin() + static_cast<std::ptrdiff_t>(warned),
                                               run.warnings.end());
            anyOpens = anyOpens || (brixel && opens);
            devices.push_back({{"path", usbLinkName(usb, i)},
                               {"serial", serialRead ? json(text) : json(nullptr)},
                               {"brixel", brixel},
                               {"opens", opens},
                               {"why", why}});
        }
        run.result = {{"devices", devices}};
        run.reached = anyOpens;
        return anyOpens;
    };
    return plan;
}

const std::array<Operation, 1> ops{{
    {"list", "every attached USBXpress device: where it is, whether it is a Brixel and can be opened", {}, false, list},
}};

}  // namespace

std::span<const Operation> devices() { return ops; }

}  // namespace brixel::toolkit::families
