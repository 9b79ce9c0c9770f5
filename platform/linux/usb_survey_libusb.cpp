// The bus as libusb sees it, for brixelctl doctor. Opens nothing it keeps.

#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/linux/usb_devices.h"
#include "platform/linux/usb_survey.h"
#include "protocol/usb_identity.h"

namespace brixel::platform {
namespace {

std::string boundDriver(libusb_device* device) {
    libusb_config_descriptor* cfg = nullptr;
    int config = 1;
    if (libusb_get_active_config_descriptor(device, &cfg) == 0) {
        config = cfg->bConfigurationValue;
        libusb_free_config_descriptor(cfg);
    }
    const std::filesystem::path link = "/sys/bus/usb/devices/" + sysfsName(device) + ":" + std::to_string(config) +
                                       "." + std::to_string(protocol::usbxpressInterface) + "/driver";
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

void readSerial(libusb_device* device, SurveyedDevice& out) {
    libusb_device_descriptor dd{};
    libusb_get_device_descriptor(device, &dd);
    libusb_device_handle* handle = nullptr;
    const int opened = libusb_open(device, &handle);
    if (opened == 0) {
        const int r = readStringDescriptor(handle, dd.iSerialNumber, out.serial);
        libusb_close(handle);
        out.serialKnown = r == 0;
        out.serialSource = "descriptor";
        if (r != 0) out.serialError = libusb_error_name(r);
        return;
    }
    if (auto serial = sysfsSerial(device)) {
        out.serialKnown = true;
        out.serial = *serial;
        out.serialSource = "sysfs";
        return;
    }
    out.serialError = libusb_error_name(opened);
}

SurveyedDevice describe(libusb_device* device) {
    SurveyedDevice out;
    libusb_device_descriptor dd{};
    libusb_get_device_descriptor(device, &dd);
    out.location = sysfsName(device);
    out.node = deviceNode(device);
    out.vendorId = dd.idVendor;
    out.productId = dd.idProduct;
    out.usbxpressShape = usbxpressShape(device).has_value();
    out.accessible = access(out.node.c_str(), R_OK | W_OK) == 0;
    out.kernelDriver = boundDriver(device);
    readSerial(device, out);
    return out;
}

}  // namespace

void surveyBus(UsbSurvey& survey) {
    survey.libusbBuiltIn = true;
    const libusb_version* v = libusb_get_version();
    survey.libusbVersion = std::to_string(v->major) + "." + std::to_string(v->minor) + "." + std::to_string(v->micro);
    libusb_context* context = nullptr;
    if (const int r = libusb_init(&context); r != 0) {
        survey.libusbError = libusb_error_name(r);
        return;
    }
    libusb_device** all = nullptr;
    const ssize_t n = libusb_get_device_list(context, &all);
    survey.devicesSeen = n > 0 ? static_cast<std::size_t>(n) : 0;
    // The layer's order first, so "device 0" here is device 0 there.
    for (libusb_device* d : listUsbxpressDevices(context)) {
        survey.vendorDevices.push_back(describe(d));
        libusb_unref_device(d);
    }
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor dd{};
        if (libusb_get_device_descriptor(all[i], &dd) == 0 && dd.idVendor == protocol::usbVendorId &&
            !usbxpressShape(all[i]))
            survey.vendorDevices.push_back(describe(all[i]));
    }
    if (n >= 0) libusb_free_device_list(all, 1);
    libusb_exit(context);
}

}  // namespace brixel::platform
