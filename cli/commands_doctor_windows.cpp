// SPDX-License-Identifier: MIT
// doctor on Windows: what it can check of the way to a Brixel (the vendor's
// USB layer found and loadable, the devices it counts and their serials),
// what it cannot, what to change, and a verdict.

#include <BrixelPlatform.h>

#include <array>
#include <cstdint>
#include <string>

#include "cli/console.h"
#include "cli/context.h"
#include "cli/doctor_report.h"
#include "protocol/device.h"

namespace brixel::cli {
namespace {

constexpr const char* vendorLayerChange =
    "put SiUSBXp.dll, from the USBXpress package of the device's USB chip vendor (Silicon Labs), beside "
    "BrixelLibrary.dll; it must be the ";

std::string devices(uint32_t n) { return std::to_string(n) + (n == 1 ? " device" : " devices"); }

std::string architecture() { return sizeof(void*) == 8 ? "64-bit" : "32-bit"; }

DoctorReport examine() {
    DoctorReport r;
    r.notChecked = {
        "which driver Windows gave the device (Device Manager shows it; USBXpress devices need the vendor's)",
        "whether another program holds the device open (only opening it tells: `brixelctl list` tries)",
        "the device's USB descriptors, which Windows keeps to its drivers"};
    const console::DllFound vendor = console::findVendorLayer();
    if (!vendor.found) {
        r.fail(console::dllProblem(vendor, "SiUSBXp.dll, the vendor's USB layer,"),
               vendorLayerChange + architecture() + " one");
        return r;
    }
    if (!vendor.loads) {
        r.fail(console::dllProblem(vendor, "SiUSBXp.dll"),
               vendorLayerChange + architecture() + " one, like brixelctl.exe");
        return r;
    }
    r.pass("SiUSBXp.dll found and loaded: " + vendor.file);
    const console::DllFound library = console::findLibraryDll();
    if (!library.loads) {
        r.fail(console::dllProblem(library, "BrixelLibrary.dll"),
               "keep brixelctl.exe beside the " + architecture() + " BrixelLibrary.dll of its own SDK");
        return r;
    }
    r.pass("BrixelLibrary.dll found and loaded: " + library.file);

    const BRIXEL_USB_LAYER& layer = *brixelGetPlatformUsbLayer();
    uint32_t count = 0;
    if (layer.getNumDevices(&count) != 0) {
        r.fail("SiUSBXp.dll could not count its devices", "plug the Brixel in and check Device Manager");
        return r;
    }
    if (count == 0) {
        r.fail("SiUSBXp.dll counts no USBXpress device",
               "plug the Brixel in and power it; Device Manager should then list it with the vendor's driver");
        return r;
    }
    r.pass("SiUSBXp.dll counts " + devices(count));
    bool brixel = false;
    for (uint32_t i = 0; i < count; ++i) {
        // The serial, as the library matches it; asking opens nothing.
        std::array<char, 256> serial{};
        if (layer.getProductString(i, serial.data(), protocol::productStringSerial) != 0) {
            r.pass("device " + std::to_string(i) + ": its serial string could not be read");
            continue;
        }
        const bool match = std::string(serial.data()) == protocol::deviceSerial;
        brixel = brixel || match;
        r.pass("device " + std::to_string(i) + ": serial \"" + serial.data() + "\"" + (match ? ": a Brixel" : ""));
    }
    if (!brixel)
        r.fail("no device reports the serial \"" + std::string(protocol::deviceSerial) + "\"",
               "check that the device listed is a Brixel");
    return r;
}

}  // namespace

void addDoctorCommands(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("doctor",
                                   "check the USB setup (the vendor's SiUSBXp.dll, the devices it counts) and say "
                                   "what to change; exit status 3 when a Brixel cannot be reached yet");
    cmd->callback([&ctx] { finishDoctor(ctx, examine(), "Ready: brixelctl status can reach the Brixel."); });
}

}  // namespace brixel::cli
