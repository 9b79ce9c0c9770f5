// SPDX-License-Identifier: MIT
#include "toolkit/usb_survey.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

#include "protocol/device.h"
#include "protocol/usb_identity.h"

namespace brixel::toolkit {
namespace {

// Standard descriptor types and the fields read here (USB 2.0, chapter 9).
constexpr uint8_t deviceDescriptor = 0x01;
constexpr uint8_t configurationDescriptor = 0x02;
constexpr uint8_t interfaceDescriptor = 0x04;
constexpr uint8_t endpointDescriptor = 0x05;
constexpr std::size_t deviceLength = 18;
constexpr std::size_t configurationLength = 9;
constexpr std::size_t interfaceLength = 9;
constexpr std::size_t endpointLength = 7;
constexpr uint8_t endpointIn = 0x80;
constexpr uint8_t transferTypeMask = 0x03;
constexpr uint8_t transferBulk = 0x02;

// Where udev reads rules from.
constexpr std::string_view udevRuleDirs[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                             "/lib/udev/rules.d"};
// Where `cmake --install` puts it by default, and where this build installs it:
// udev ignores both.
constexpr std::string_view localRulesDir = "/usr/local/lib/udev/rules.d";
#ifdef BRIXEL_INSTALLED_RULES_DIR
constexpr std::string_view installedRulesDir = BRIXEL_INSTALLED_RULES_DIR;
#else
constexpr std::string_view installedRulesDir = localRulesDir;
#endif

uint16_t le16(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The descriptors of one configuration, its own header included, or none
// when they are cut short.
struct Configuration {
    uint8_t value = 0;
    std::span<const uint8_t> bytes;
};

std::vector<Configuration> configurations(std::span<const uint8_t> d) {
    std::vector<Configuration> found;
    if (d.size() < deviceLength || d[0] != deviceLength || d[1] != deviceDescriptor) return found;
    for (std::size_t at = deviceLength; at + configurationLength <= d.size();) {
        if (d[at] < configurationLength || d[at + 1] != configurationDescriptor) break;
        const std::size_t total = le16(d, at + 2);
        if (total < configurationLength || at + total > d.size()) break;
        found.push_back({d[at + 5], d.subspan(at, total)});
        at += total;
    }
    return found;
}

bool usbxpressInterface(std::span<const uint8_t> config) {
    bool inInterface = false;
    bool seen = false;
    std::size_t endpointsWanted = 0;
    std::size_t endpoints = 0;
    bool bulkIn = false;
    bool bulkOut = false;
    for (std::size_t at = config[0]; at < config.size();) {
        const std::size_t length = config[at];
        if (length < 2 || at + length > config.size()) return false;
        const uint8_t type = config[at + 1];
        if (type == interfaceDescriptor) {
            if (length < interfaceLength) return false;
            // The first descriptor of interface 0 is its alternate setting 0.
            inInterface = !seen && config[at + 2] == protocol::usbxpressInterface;
            if (inInterface) {
                if (config[at + 5] != protocol::usbxpressInterfaceClass) return false;
                seen = true;
                endpointsWanted = config[at + 4];
            }
        } else if (type == endpointDescriptor && inInterface) {
            if (length < endpointLength) return false;
            ++endpoints;
            const uint8_t address = config[at + 2];
            const bool bulk = (config[at + 3] & transferTypeMask) == transferBulk;
            if (!bulk) return false;
            if (address & endpointIn)
                bulkIn = le16(config, at + 4) != 0;
            else
                bulkOut = address != 0;
        }
        at += length;
    }
    return seen && endpointsWanted == 2 && endpoints == 2 && bulkIn && bulkOut;
}

std::optional<std::string> attribute(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    return line;
}

template <typename Number>
std::optional<Number> number(const std::filesystem::path& file, int base) {
    const auto text = attribute(file);
    if (!text) return std::nullopt;
    Number value{};
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value, base);
    if (text->empty() || ec != std::errc{} || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::vector<uint8_t> binary(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The ports of "1-2.3", from the root hub down: {2, 3}. None for a root hub ("usb1").
std::vector<unsigned> portPath(std::string_view name) {
    std::vector<unsigned> ports;
    const auto dash = name.find('-');
    if (dash == std::string_view::npos) return ports;
    for (std::size_t at = dash + 1; at <= name.size();) {
        const auto end = std::min(name.find('.', at), name.size());
        unsigned port = 0;
        std::from_chars(name.data() + at, name.data() + end, port);
        ports.push_back(port);
        at = end + 1;
    }
    return ports;
}

struct Found {
    SurveyedDevice device;
    std::tuple<unsigned, std::vector<unsigned>, unsigned> order;
};

std::optional<Found> describe(const std::filesystem::path& dir, const std::string& name) {
    const auto vendor = number<uint16_t>(dir / "idVendor", 16);
    if (!vendor || *vendor != protocol::usbVendorId) return std::nullopt;
    Found f;
    SurveyedDevice& d = f.device;
    d.location = name;
    d.vendorId = *vendor;
    d.productId = number<uint16_t>(dir / "idProduct", 16).value_or(0);
    const unsigned bus = number<unsigned>(dir / "busnum", 10).value_or(0);
    const unsigned address = number<unsigned>(dir / "devnum", 10).value_or(0);
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus, address);
    d.node = node;
    d.accessible = access(node, R_OK | W_OK) == 0;
    d.serial = attribute(dir / "serial");
    const uint8_t config = number<uint8_t>(dir / "bConfigurationValue", 10).value_or(0);
    const auto descriptors = binary(dir / "descriptors");
    d.usbxpressShape = hasUsbxpressShape(descriptors, config);
    if (config != 0) {
        const std::string iface =
            name + ":" + std::to_string(config) + "." + std::to_string(protocol::usbxpressInterface);
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(dir.parent_path() / iface / "driver", ec);
        if (!ec) d.kernelDriver = target.filename().string();
    }
    d.brixel = d.usbxpressShape && d.serial == protocol::deviceSerial;
    f.order = {bus, portPath(name), address};
    return f;
}

std::string canonicalName(const std::filesystem::path& p) {
    std::error_code ec;
    const auto c = std::filesystem::weakly_canonical(p, ec);
    return ec ? p.string() : c.string();
}

void findRules(UsbSurvey& survey) {
    std::set<std::string> active;
    for (auto dir : udevRuleDirs) {
        const std::filesystem::path rule = std::filesystem::path(dir) / protocol::udevRuleFile;
        std::error_code ec;
        if (std::filesystem::exists(rule, ec) && active.insert(canonicalName(rule)).second)
            survey.rulesActive.push_back(rule.string());
    }
    for (std::string_view dir : {installedRulesDir, localRulesDir}) {
        const std::filesystem::path rule = std::filesystem::path(dir) / protocol::udevRuleFile;
        std::error_code ec;
        if (std::filesystem::exists(rule, ec) && !active.count(canonicalName(rule)) &&
            std::find(survey.rulesIgnored.begin(), survey.rulesIgnored.end(), rule.string()) ==
                survey.rulesIgnored.end())
            survey.rulesIgnored.push_back(rule.string());
    }
}

}  // namespace

bool hasUsbxpressShape(std::span<const uint8_t> descriptors, uint8_t activeConfiguration) {
    const auto configs = configurations(descriptors);
    if (configs.empty()) return false;
    const auto active = std::find_if(configs.begin(), configs.end(),
                                     [&](const Configuration& c) { return c.value == activeConfiguration; });
    return usbxpressInterface(active != configs.end() ? active->bytes : configs.front().bytes);
}

UsbSurvey surveyUsb(const BRIXEL_USB_LAYER& layer, const std::filesystem::path& devices) {
    UsbSurvey survey;
    survey.root = geteuid() == 0;
    findRules(survey);

    std::vector<Found> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') != std::string::npos) continue;  // an interface, not a device
        ++survey.devicesSeen;
        if (auto f = describe(it->path(), name)) found.push_back(std::move(*f));
    }
    // The layer's order: the kernel hands out addresses anew on each replug; bus and port stay put.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.order < b.order; });
    std::stable_partition(found.begin(), found.end(), [](const Found& f) { return f.device.usbxpressShape; });
    for (auto& f : found) survey.vendorDevices.push_back(std::move(f.device));

    uint32_t count = 0;
    survey.layerStarted = layer.getNumDevices && layer.getNumDevices(&count) == 0;
    survey.layerDevices = survey.layerStarted ? count : 0;
    return survey;
}

}  // namespace brixel::toolkit
