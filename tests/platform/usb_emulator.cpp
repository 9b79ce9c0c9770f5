// SPDX-License-Identifier: MIT
#include "tests/platform/usb_emulator.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brixel::test {
namespace {

constexpr uint16_t packetSize = 64;
constexpr uint8_t serialIndex = 3;
constexpr uint32_t capabilities =
    USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

void putLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

// The device, configuration, interface and endpoint descriptors, as sysfs's
// "descriptors" holds them.
std::vector<uint8_t> descriptors(const DeviceSetup& s) {
    std::vector<uint8_t> d{18, 0x01};
    putLe16(d, 0x0110);
    d.insert(d.end(), {0, 0, 0, 64});
    putLe16(d, s.vendorId);
    putLe16(d, s.productId);
    putLe16(d, 0x0100);
    d.insert(d.end(), {1, 2, static_cast<uint8_t>(s.serial.empty() ? 0 : serialIndex), 1});

    std::vector<uint8_t> iface;
    if (s.shape == DeviceShape::usbxpress) {
        iface = {9, 0x04, 0,    0,    2,          0xFF, 0, 0, 0,  //
                 7, 0x05, 0x01, 0x02, packetSize, 0,    0, 7, 0x05, 0x81, 0x02, packetSize, 0, 0};
    } else {
        iface = {9, 0x04, 0,    0,    1,          0x03, 0,    0,    0,  //
                 9, 0x21, 0x11, 0x01, 0,          1,    0x22, 0x20, 0,  // HID descriptor
                 7, 0x05, 0x81, 0x03, packetSize, 0,    1};
    }
    d.insert(d.end(), {9, 0x02});
    putLe16(d, static_cast<uint16_t>(9 + iface.size()));
    d.insert(d.end(), {1, 1, 0, 0x80, 50});
    d.insert(d.end(), iface.begin(), iface.end());
    return d;
}

std::vector<uint8_t> stringDescriptor(const std::string& text) {
    std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), 0x03};
    for (char c : text) putLe16(d, static_cast<uint8_t>(c));
    return d;
}

std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, "%s%02x", text.empty() ? "" : " ", v);
        text += b;
    }
    return text;
}

UMockdevIoctlData* resolve(UMockdevIoctlData* data, gsize offset, gsize length) {
    GError* error = nullptr;
    UMockdevIoctlData* child = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error) g_error_free(error);
    return child;
}

void complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    return static_cast<EmulatedDevice*>(device)->handleIoctl(client);
}

void onVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    static_cast<EmulatedDevice*>(device)->clientVanished(client);
}

}  // namespace

EmulatedDevice::EmulatedDevice(DeviceSetup s) : setup(std::move(s)) {
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler_, "client-vanished", G_CALLBACK(onVanished), this);
}

EmulatedDevice::~EmulatedDevice() {
    g_signal_handlers_disconnect_by_data(handler_, this);
    for (auto& u : pendingIn_) release(u);
    for (auto& u : done_) release(u);
    g_object_unref(handler_);
}

std::string EmulatedDevice::sysfsName() const {
    std::string name = std::to_string(setup.bus);
    for (std::size_t i = 0; i < setup.ports.size(); ++i) {
        name += i == 0 ? '-' : '.';
        name += std::to_string(setup.ports[i]);
    }
    return name;
}

std::string EmulatedDevice::node() const {
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", setup.bus, setup.address);
    return path;
}

std::vector<std::string> EmulatedDevice::log() {
    std::lock_guard guard(mutex_);
    return log_;
}

uint32_t EmulatedDevice::framesReceived() {
    std::lock_guard guard(mutex_);
    return frames_;
}

uint64_t EmulatedDevice::ioctlsHandled() {
    std::lock_guard guard(mutex_);
    return ioctls_;
}

void EmulatedDevice::unplug() {
    std::lock_guard guard(mutex_);
    gone_ = true;
    endAllPending(-ESHUTDOWN);
}

void EmulatedDevice::release(Urb& urb) {
    if (urb.buffer) g_object_unref(urb.buffer);
    if (urb.urb) g_object_unref(urb.urb);
    urb.buffer = urb.urb = nullptr;
}

void EmulatedDevice::endAllPending(int status) {
    for (auto& u : pendingIn_) {
        u.status = status;
        u.actual = 0;
        done_.push_back(u);
    }
    pendingIn_.clear();
    outgoing_.clear();
}

bool EmulatedDevice::handleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard guard(mutex_);
    ++ioctls_;
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    // A disconnected device still hands back what had ended, then only ENODEV.
    if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
        reap(client, arg);
        return true;
    }
    if (gone_) {
        complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = resolve(arg, 0, sizeof(uint32_t));
            std::memcpy(caps->data, &capabilities, sizeof capabilities);
            complete(client, 0, 0);
            g_object_unref(caps);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM: {
            UMockdevIoctlData* iface = resolve(arg, 0, sizeof(unsigned));
            unsigned number = 0;
            std::memcpy(&number, iface->data, sizeof number);
            log_.push_back((request == USBDEVFS_RELEASEINTERFACE ? "release " : "claim ") + std::to_string(number));
            if (claimBusy && request != USBDEVFS_RELEASEINTERFACE)
                complete(client, -1, EBUSY);
            else
                complete(client, 0, 0);
            g_object_unref(iface);
            return true;
        }
        case USBDEVFS_SUBMITURB: submit(client, arg); return true;
        case USBDEVFS_DISCARDURB: discard(client, arg); return true;
        case USBDEVFS_CLEAR_HALT: complete(client, 0, 0); return true;
        case USBDEVFS_GETDRIVER: complete(client, -1, ENODATA); return true;
        default: complete(client, -1, ENOTTY); return true;
    }
}

void EmulatedDevice::clientVanished(UMockdevIoctlClient* client) {
    std::lock_guard guard(mutex_);
    for (auto* list : {&pendingIn_, &done_}) {
        for (auto& u : *list)
            if (u.client == client) release(u);
        std::erase_if(*list, [&](const Urb& u) { return u.client == client; });
    }
}

void EmulatedDevice::submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    Urb urb;
    urb.client = client;
    urb.urb = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (!urb.urb) {
        complete(client, -1, EFAULT);
        return;
    }
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    urb.endpoint = u->endpoint;
    const unsigned char type = u->type;
    if (u->buffer_length > 0)
        urb.buffer = resolve(urb.urb, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(u->buffer_length));
    if (type == USBDEVFS_URB_TYPE_CONTROL) {
        control(urb);
        done_.push_back(urb);
    } else if (type == USBDEVFS_URB_TYPE_BULK && (urb.endpoint & 0x80)) {
        pendingIn_.push_back(urb);
    } else if (type == USBDEVFS_URB_TYPE_BULK) {
        bulkOut(urb);
        done_.push_back(urb);
    } else {
        release(urb);
        complete(client, -1, EINVAL);
        return;
    }
    complete(client, 0, 0);
}

void EmulatedDevice::control(Urb& urb) {
    const int length = urb.buffer ? urb.buffer->data_len : 0;
    if (length < 8) {
        urb.status = -EINVAL;
        return;
    }
    uint8_t* setupPacket = urb.buffer->data;
    const uint8_t requestType = setupPacket[0];
    const uint8_t request = setupPacket[1];
    const auto value = static_cast<uint16_t>(setupPacket[2] | (setupPacket[3] << 8));
    const auto wanted = static_cast<uint16_t>(setupPacket[6] | (setupPacket[7] << 8));
    if (requestType == 0x40) {
        char line[32];
        std::snprintf(line, sizeof line, "vendor %02x %04x", request, value);
        log_.push_back(line);
        if (stallVendorRequests) urb.status = -EPIPE;
        return;
    }
    if (requestType == 0x80 && request == 0x06 && (value >> 8) == 0x03) {
        const auto index = static_cast<uint8_t>(value & 0xFF);
        std::vector<uint8_t> d;
        if (index == 0) d = {4, 0x03, 0x09, 0x04};
        if (index == 1) d = stringDescriptor("Silicon Labs");
        if (index == 2) d = stringDescriptor(setup.shape == DeviceShape::usbxpress ? "Brixel" : "HID bridge");
        if (index == serialIndex && !stallSerial) d = stringDescriptor(setup.serial);
        if (d.empty()) {
            urb.status = -EPIPE;
            return;
        }
        const std::size_t n = std::min<std::size_t>({d.size(), wanted, static_cast<std::size_t>(length - 8)});
        std::memcpy(setupPacket + 8, d.data(), n);
        urb.actual = static_cast<int>(n);
        return;
    }
    urb.status = -EPIPE;
}

void EmulatedDevice::bulkOut(Urb& urb) {
    const std::span<const uint8_t> frame =
        urb.buffer ? std::span<const uint8_t>(urb.buffer->data, static_cast<std::size_t>(urb.buffer->data_len))
                   : std::span<const uint8_t>();
    urb.actual = static_cast<int>(frame.size());
    log_.push_back("out " + hex(frame));
    ++frames_;
    std::optional<std::vector<uint8_t>> reply;
    if (replyOverride) reply = replyOverride(frame);
    if (!reply) reply = model.answer(frame);
    if (!silent) {
        const auto first = Clock::now() + std::chrono::milliseconds(replyLatencyMs);
        for (std::size_t at = 0, i = 0; at < reply->size(); at += packetSize, ++i) {
            const std::size_t n = std::min<std::size_t>(packetSize, reply->size() - at);
            outgoing_.push_back({std::vector<uint8_t>(reply->begin() + static_cast<std::ptrdiff_t>(at),
                                                      reply->begin() + static_cast<std::ptrdiff_t>(at + n)),
                                 first + std::chrono::milliseconds(packetGapMs * i)});
        }
    }
    if (unplugAfterFrames && frames_ >= *unplugAfterFrames) {
        gone_ = true;
        endAllPending(-ESHUTDOWN);
    }
}

void EmulatedDevice::deliverReady() {
    const auto now = Clock::now();
    while (!pendingIn_.empty() && !outgoing_.empty() && outgoing_.front().readyAt <= now) {
        Urb urb = pendingIn_.front();
        pendingIn_.pop_front();
        const Packet& p = outgoing_.front();
        const std::size_t room = urb.buffer ? static_cast<std::size_t>(urb.buffer->data_len) : 0;
        const std::size_t n = std::min(room, p.bytes.size());
        if (n > 0) std::memcpy(urb.buffer->data, p.bytes.data(), n);
        urb.actual = static_cast<int>(n);
        urb.status = n < p.bytes.size() ? -EOVERFLOW : 0;
        outgoing_.pop_front();
        done_.push_back(urb);
    }
}

void EmulatedDevice::reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    deliverReady();
    const auto it = std::find_if(done_.begin(), done_.end(), [&](const Urb& u) { return u.client == client; });
    if (it == done_.end()) {
        complete(client, -1, gone_ ? ENODEV : EAGAIN);
        return;
    }
    Urb urb = *it;
    done_.erase(it);
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    u->status = urb.status;
    u->actual_length = urb.actual;
    UMockdevIoctlData* slot = resolve(arg, 0, sizeof(void*));
    umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
    complete(client, 0, 0);
    g_object_unref(slot);
    release(urb);
}

void EmulatedDevice::discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    deliverReady();
    unsigned long address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    const auto it = std::find_if(pendingIn_.begin(), pendingIn_.end(),
                                 [&](const Urb& u) { return u.client == client && u.urb->client_addr == address; });
    if (it == pendingIn_.end()) {  // already ended: the reap hands it back
        complete(client, -1, EINVAL);
        return;
    }
    // A discarded URB must end with -ENOENT, or libusb waits for it forever.
    Urb urb = *it;
    pendingIn_.erase(it);
    urb.status = -ENOENT;
    urb.actual = 0;
    done_.push_back(urb);
    complete(client, 0, 0);
}

// ---- The bus ----------------------------------------------------------------------

EmulatedBus::EmulatedBus() : testbed_(umockdev_testbed_new()) {}

EmulatedBus::~EmulatedBus() {
    for (auto& d : devices_) umockdev_testbed_detach_ioctl(testbed_, d->node().c_str(), nullptr);
    devices_.clear();
    g_object_unref(testbed_);
}

// umockdev_in_mock_environment() says no under umockdev-wrapper too; the
// preload list is what tells.
bool EmulatedBus::available() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

EmulatedDevice& EmulatedBus::add(DeviceSetup setup) {
    auto device = std::make_unique<EmulatedDevice>(std::move(setup));
    const DeviceSetup& s = device->setup;
    char vid[8], pid[8], bus[8], dev[8];
    std::snprintf(vid, sizeof vid, "%04x\n", s.vendorId);
    std::snprintf(pid, sizeof pid, "%04x\n", s.productId);
    std::snprintf(bus, sizeof bus, "%03u", s.bus);
    std::snprintf(dev, sizeof dev, "%03u", s.address);
    const std::string busnum = std::to_string(s.bus) + "\n";
    const std::string devnum = std::to_string(s.address) + "\n";
    const std::string serial = s.serial + "\n";
    const std::string node = device->node();
    const gchar* attributes[] = {
        "idVendor", vid,    "idProduct",           pid,   "busnum", busnum.c_str(), "devnum", devnum.c_str(),
        "speed",    "12\n", "bConfigurationValue", "1\n", "serial", serial.c_str(), nullptr};
    if (s.serial.empty()) attributes[std::size(attributes) - 3] = nullptr;
    const gchar* properties[] = {"DEVTYPE", "usb_device", "DEVNAME", node.c_str(), "BUSNUM",
                                 bus,       "DEVNUM",     dev,       nullptr};
    gchar* syspath = umockdev_testbed_add_devicev(testbed_, "usb", device->sysfsName().c_str(), nullptr,
                                                  const_cast<gchar**>(attributes), const_cast<gchar**>(properties));
    if (!syspath) throw std::runtime_error("umockdev would not add " + device->sysfsName());
    auto bytes = descriptors(s);
    umockdev_testbed_set_attribute_binary(testbed_, syspath, "descriptors", bytes.data(),
                                          static_cast<gint>(bytes.size()));
    gchar* rootDir = umockdev_testbed_get_root_dir(testbed_);
    const std::filesystem::path root(rootDir);
    g_free(rootDir);
    // umockdev does not make the node itself; open() needs it before it reaches the handler.
    const std::filesystem::path file = root / node.substr(1);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream{file};
    // Nor interfaces with their drivers: interface 0 of configuration 1, beside the device.
    if (!s.interfaceDriver.empty()) {
        const auto usb = root / "sys/bus/usb";
        const auto iface = usb / "devices" / (device->sysfsName() + ":1.0");
        std::filesystem::create_directories(iface);
        std::filesystem::create_directories(usb / "drivers" / s.interfaceDriver);
        std::filesystem::create_directory_symlink(usb / "drivers" / s.interfaceDriver, iface / "driver");
    }
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), device->handler(), &error)) {
        const std::string why = error ? error->message : "unknown";
        if (error) g_error_free(error);
        g_free(syspath);
        throw std::runtime_error("umockdev would not attach " + node + ": " + why);
    }
    syspaths_.emplace_back(syspath);
    g_free(syspath);
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void EmulatedBus::remove(EmulatedDevice& device) {
    device.unplug();
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].get() != &device) continue;
        umockdev_testbed_uevent(testbed_, syspaths_[i].c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, syspaths_[i].c_str());
    }
}

void EmulatedBus::announce(EmulatedDevice& device) {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i].get() == &device) umockdev_testbed_uevent(testbed_, syspaths_[i].c_str(), "add");
}

}  // namespace brixel::test
