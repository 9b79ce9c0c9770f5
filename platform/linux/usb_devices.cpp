// SPDX-License-Identifier: MIT
#include "platform/linux/usb_devices.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <tuple>

#include "protocol/usb_identity.h"
#include "text/utf8.h"

namespace brixel::platform {
namespace {

struct ConfigDescriptor {
    libusb_config_descriptor* config = nullptr;
    ~ConfigDescriptor() { libusb_free_config_descriptor(config); }
};

bool isBulk(const libusb_endpoint_descriptor& ep) {
    return (ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
}

std::vector<uint8_t> portPath(libusb_device* device) {
    std::array<uint8_t, 8> ports{};
    const int n = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    return n > 0 ? std::vector<uint8_t>(ports.begin(), ports.begin() + n) : std::vector<uint8_t>{};
}

int getDescriptor(libusb_device_handle* handle, uint16_t value, uint16_t language, std::array<uint8_t, 255>& buffer) {
    const int n = libusb_control_transfer(handle, LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR, value, language,
                                          buffer.data(), static_cast<uint16_t>(buffer.size()), controlTimeoutMs);
    if (n < 0) return n;
    if (n < 2 || buffer[1] != LIBUSB_DT_STRING || buffer[0] > n) return LIBUSB_ERROR_IO;
    return buffer[0];
}

// "1-2.3", the name the kernel gives the device under /sys/bus/usb/devices.
std::string sysfsName(libusb_device* device) {
    std::string name = std::to_string(libusb_get_bus_number(device));
    const auto ports = portPath(device);
    if (ports.empty()) return "usb" + name;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        name += i == 0 ? '-' : '.';
        name += std::to_string(ports[i]);
    }
    return name;
}

}  // namespace

std::optional<UsbxpressEndpoints> usbxpressShape(libusb_device* device) {
    libusb_device_descriptor dd{};
    if (libusb_get_device_descriptor(device, &dd) != 0 || dd.idVendor != protocol::usbVendorId) return std::nullopt;
    ConfigDescriptor cfg;
    if (libusb_get_active_config_descriptor(device, &cfg.config) != 0 &&
        libusb_get_config_descriptor(device, 0, &cfg.config) != 0)
        return std::nullopt;
    for (int i = 0; i < cfg.config->bNumInterfaces; ++i) {
        const libusb_interface& iface = cfg.config->interface[i];
        if (iface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& alt = iface.altsetting[0];
        if (alt.bInterfaceNumber != protocol::usbxpressInterface) continue;
        if (alt.bInterfaceClass != protocol::usbxpressInterfaceClass || alt.bNumEndpoints != 2) return std::nullopt;
        UsbxpressEndpoints eps;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[e];
            if (!isBulk(ep)) return std::nullopt;
            if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
                eps.in = ep.bEndpointAddress;
                eps.inPacket = ep.wMaxPacketSize;
            } else {
                eps.out = ep.bEndpointAddress;
                eps.outPacket = ep.wMaxPacketSize;
            }
        }
        if (eps.in == 0 || eps.out == 0 || eps.inPacket == 0) return std::nullopt;
        return eps;
    }
    return std::nullopt;
}

std::vector<libusb_device*> listUsbxpressDevices(libusb_context* context) {
    libusb_device** all = nullptr;
    const ssize_t n = libusb_get_device_list(context, &all);
    std::vector<libusb_device*> found;
    for (ssize_t i = 0; i < n; ++i)
        if (usbxpressShape(all[i])) found.push_back(libusb_ref_device(all[i]));
    if (n >= 0) libusb_free_device_list(all, 1);
    // The kernel hands out addresses anew on each replug; bus and port stay put.
    auto key = [](libusb_device* d) {
        return std::make_tuple(libusb_get_bus_number(d), portPath(d), libusb_get_device_address(d));
    };
    std::stable_sort(found.begin(), found.end(), [&](libusb_device* a, libusb_device* b) { return key(a) < key(b); });
    return found;
}

std::string deviceNode(libusb_device* device) {
    std::array<char, 32> path{};
    std::snprintf(path.data(), path.size(), "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    return path.data();
}

std::optional<std::string> sysfsSerial(libusb_device* device) {
    std::ifstream file("/sys/bus/usb/devices/" + sysfsName(device) + "/serial");
    std::string serial;
    if (!file || !std::getline(file, serial)) return std::nullopt;
    return serial;
}

int readStringDescriptor(libusb_device_handle* handle, uint8_t index, std::string& text) {
    text.clear();
    if (index == 0) return LIBUSB_ERROR_NOT_FOUND;
    std::array<uint8_t, 255> buffer{};
    int n = getDescriptor(handle, LIBUSB_DT_STRING << 8, 0, buffer);
    if (n < 0) return n;
    if (n < 4) return LIBUSB_ERROR_IO;
    const auto language = static_cast<uint16_t>(buffer[2] | (buffer[3] << 8));
    n = getDescriptor(handle, static_cast<uint16_t>((LIBUSB_DT_STRING << 8) | index), language, buffer);
    if (n < 0) return n;
    std::u16string units;
    for (int i = 2; i + 1 < n; i += 2) units += static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
    text = text::utf8FromUtf16(std::u16string_view(units));
    return 0;
}

}  // namespace brixel::platform
