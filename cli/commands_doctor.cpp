// SPDX-License-Identifier: MIT
// doctor: what stands between this machine and a Brixel on USB, then what to
// change, then a verdict.

#include <BrixelPlatform.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/doctor_report.h"
#include "protocol/device.h"
#include "protocol/usb_identity.h"
#include "toolkit/usb_survey.h"

namespace brixel::cli {
namespace {

using Report = DoctorReport;

// What lsusb lists for a Brixel; the library itself goes by the serial.
constexpr uint16_t brixelProductId = 0xEA61;

std::string idPair(uint16_t vendorId, uint16_t productId) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendorId, productId);
    return text;
}

std::string vendorIdText() {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", protocol::usbVendorId);
    return text;
}

std::string describe(const toolkit::SurveyedDevice& d) {
    std::string text = d.location + " (" + d.node + "): " + idPair(d.vendorId, d.productId);
    text += d.usbxpressShape ? ", USBXpress interface" : ", another kind of interface";
    text += d.serial ? ", serial \"" + *d.serial + "\"" : ", no serial string";
    if (d.brixel) text += ": a Brixel";
    if (!d.kernelDriver.empty()) text += "; interface 0 held by the kernel driver " + d.kernelDriver;
    return text;
}

std::string devices(std::size_t n) { return std::to_string(n) + (n == 1 ? " device" : " devices"); }

std::string ruleFile() { return std::string(protocol::udevRuleFile); }

std::string ruleInstall() {
    return "install the udev rule: sudo cp platform/linux/" + ruleFile() +
           " /etc/udev/rules.d/ (or sudo cmake --install <build dir> --prefix /usr), then sudo udevadm control "
           "--reload and unplug and replug the Brixel";
}

Report examine(const toolkit::UsbSurvey& s) {
    Report r;
    std::size_t usbxpress = 0;
    for (const auto& d : s.vendorDevices) usbxpress += d.usbxpressShape ? 1 : 0;

    if (!s.layerStarted)
        r.fail("the library's own USB layer would not start",
               "check that /dev/bus/usb exists; in a container, pass the host's USB bus through");
    else if (s.layerDevices < usbxpress)
        r.fail("the library's own USB layer counts " + devices(s.layerDevices) + ", the kernel shows " +
                   devices(usbxpress) + " with a USBXpress interface",
               "a library built without libusb-1.0 sees no device: install libusb-1.0-0-dev (scripts/install-deps "
               "does) and build again; built with it, check that /dev/bus/usb holds the devices' nodes");
    else
        r.pass("the library's own USB layer counts " + devices(s.layerDevices) + " with a USBXpress interface");
    if (s.devicesSeen == 0)
        r.fail("no USB devices at all are visible", "check that /sys/bus/usb is reachable");
    else
        r.pass(devices(s.devicesSeen) + " seen on USB");

    std::vector<const toolkit::SurveyedDevice*> brixels;
    for (const auto& d : s.vendorDevices) {
        r.pass(describe(d));
        if (d.brixel) brixels.push_back(&d);
    }
    if (s.vendorDevices.empty())
        r.fail("no device with vendor ID " + vendorIdText() + " is attached",
               "plug the Brixel in and power it; lsusb should then list " +
                   idPair(protocol::usbVendorId, brixelProductId));
    else if (brixels.empty())
        r.fail("no device reports the serial \"" + std::string(protocol::deviceSerial) + "\" on a USBXpress interface",
               "check that the device listed is a Brixel");

    const bool ruleActive = !s.rulesActive.empty();
    for (const auto* d : brixels) {
        if (d->accessible)
            r.pass("read and write access to " + d->node);
        else if (ruleActive)
            r.fail("no read and write access to " + d->node + " although the udev rule is installed",
                   "unplug and replug the Brixel (or sudo udevadm trigger); uaccess gives access to the user of "
                   "the local seat only, not over ssh");
        else
            r.fail("no read and write access to " + d->node);
    }
    if (s.root && !brixels.empty())
        r.pass("running as root: run brixelctl doctor as yourself to check your own access");

    for (const auto& rule : s.rulesActive) r.pass("udev rule installed: " + rule);
    if (!ruleActive) {
        if (!s.rulesIgnored.empty())
            r.fail("udev rule at " + s.rulesIgnored.front() + ", where udev does not read rules",
                   "sudo cp " + s.rulesIgnored.front() +
                       " /etc/udev/rules.d/ && sudo udevadm control --reload, then unplug and replug the Brixel");
        else
            r.fail("udev rule " + ruleFile() + " is not installed", ruleInstall());
    }
    return r;
}

}  // namespace

void addDoctorCommands(CLI::App& app, Context& ctx) {
    auto* cmd =
        app.add_subcommand("doctor",
                           "check the USB setup (the library's USB layer, devices, permissions, udev rule) and say "
                           "what to change; exit status 3 when a Brixel cannot be reached yet");
    cmd->callback([&ctx] {
        finishDoctor(ctx, examine(toolkit::surveyUsb(*brixelGetPlatformUsbLayer())),
                     "Ready: brixelctl status works without root.");
    });
}

}  // namespace brixel::cli
