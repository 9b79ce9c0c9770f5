// SPDX-License-Identifier: MIT
#pragma once
// An emulated USB bus for the libusb layer: umockdev provides the kernel's
// sysfs and usbfs, and each device answers bulk OUT frames with bulk IN
// replies computed by the simulator's device model.
//
// umockdev's preload library must be in the process (run it under
// umockdev-wrapper). The bus must exist before libusb starts and outlive it.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/device_model.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace brixel::test {

enum class DeviceShape {
    usbxpress,  // interface 0: vendor class, bulk OUT 0x01 and bulk IN 0x81, 64-byte packets
    hid,        // interface 0: HID class with one interrupt IN endpoint
};

struct DeviceSetup {
    uint8_t bus = 1;
    std::vector<uint8_t> ports{1};
    uint8_t address = 2;
    uint16_t vendorId = 0x10C4;
    uint16_t productId = 0xEA61;
    DeviceShape shape = DeviceShape::usbxpress;
    std::string serial = "2024";       // none when empty: no string descriptor, no sysfs attribute
    std::string interfaceDriver = {};  // the kernel driver bound to interface 0, as sysfs links it
};

class EmulatedDevice {
public:
    explicit EmulatedDevice(DeviceSetup setup);
    ~EmulatedDevice();
    EmulatedDevice(const EmulatedDevice&) = delete;
    EmulatedDevice& operator=(const EmulatedDevice&) = delete;

    const DeviceSetup setup;
    std::string sysfsName() const;
    std::string node() const;

    // Behaviour; change it through lock() while the layer may be talking.
    sim::DeviceModel model;
    uint32_t replyLatencyMs = 0;  // from the OUT frame to the first reply packet
    uint32_t packetGapMs = 0;     // between the packets of one reply
    bool stallSerial = false;     // GET_DESCRIPTOR for the serial string stalls
    bool silent = false;          // frames are taken but never answered
    bool stallVendorRequests = false;
    bool claimBusy = false;  // claiming an interface fails with EBUSY, as when another program holds it
    // Unplugged right after this many OUT frames (the frame itself is taken).
    std::optional<uint32_t> unplugAfterFrames;
    // Replaces the model's answer to a frame when it returns a value.
    std::function<std::optional<std::vector<uint8_t>>(std::span<const uint8_t>)> replyOverride;

    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }

    // What the host did, one line per event: "claim 0", "vendor 00 ffff",
    // "out 11 3e e1", "release 0" (string descriptor reads are not listed).
    std::vector<std::string> log();
    uint32_t framesReceived();
    // Every ioctl the host made on the device node.
    uint64_t ioctlsHandled();
    // The device is gone: pending URBs end as on a disconnect, and every further
    // request fails with ENODEV.
    void unplug();

    // Called on umockdev's thread.
    bool handleIoctl(UMockdevIoctlClient* client);
    void clientVanished(UMockdevIoctlClient* client);
    UMockdevIoctlBase* handler() const { return handler_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Urb {
        UMockdevIoctlClient* client = nullptr;
        UMockdevIoctlData* urb = nullptr;
        UMockdevIoctlData* buffer = nullptr;
        uint8_t endpoint = 0;
        int status = 0;
        int actual = 0;
    };
    struct Packet {
        std::vector<uint8_t> bytes;
        Clock::time_point readyAt;
    };

    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void control(Urb& urb);
    void bulkOut(Urb& urb);
    void reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void deliverReady();
    void endAllPending(int status);
    static void release(Urb& urb);

    std::mutex mutex_;
    UMockdevIoctlBase* handler_ = nullptr;
    bool gone_ = false;
    uint32_t frames_ = 0;
    uint64_t ioctls_ = 0;
    std::vector<std::string> log_;
    std::deque<Urb> pendingIn_;
    std::deque<Urb> done_;
    std::deque<Packet> outgoing_;
};

class EmulatedBus {
public:
    EmulatedBus();
    ~EmulatedBus();
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    // True when umockdev's preload library is in this process.
    static bool available();

    EmulatedDevice& add(DeviceSetup setup);
    // Unplugs the device and takes it off the bus, as the kernel would.
    void remove(EmulatedDevice& device);
    // Tells the bus's listeners of the device again, now that it is whole:
    // umockdev tells them as it adds the device, before its descriptors are
    // there, and a libusb already listening may miss a device added then.
    void announce(EmulatedDevice& device);

private:
    UMockdevTestbed* testbed_ = nullptr;
    std::vector<std::unique_ptr<EmulatedDevice>> devices_;
    std::vector<std::string> syspaths_;
};

}  // namespace brixel::test
