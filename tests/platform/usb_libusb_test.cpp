#include "platform/linux/usb_libusb.h"

#include <BrixelLibrary.h>
#include <BrixelPlatform.h>
#include <gtest/gtest.h>

#include "tests/platform/usb_emulator.h"

namespace brixel::test {
namespace {

TEST(Smoke, Count) {
    if (!EmulatedBus::available()) GTEST_SKIP() << "not running under umockdev-wrapper";
    {
        EmulatedBus bus;
        auto& d = bus.add({});
        const auto& layer = platform::libusbUsbLayer();
        uint32_t n = 0;
        EXPECT_EQ(layer.getNumDevices(&n), 0);
        EXPECT_EQ(n, 1u);
        char s[260] = {};
        EXPECT_EQ(layer.getProductString(0, s, 0), 0);
        EXPECT_STREQ(s, "2024");
        void* h = nullptr;
        EXPECT_EQ(layer.open(0, &h), 0);
        layer.setTimeouts(500, 500);
        uint8_t frame[] = {0x11, 0x08, 0xE0, 0x07};
        uint32_t w = 0;
        EXPECT_EQ(layer.write(h, frame, 4, &w, nullptr), 0);
        uint8_t buf[64];
        uint32_t r = 0;
        EXPECT_EQ(layer.read(h, buf, 64, &r, nullptr), 0);
        EXPECT_EQ(r, 8u);
        EXPECT_EQ(layer.close(h), 0);
        for (auto& l : d.log()) std::printf("%s\n", l.c_str());
        platform::shutdownLibusb();
    }
}

}  // namespace
}  // namespace brixel::test
