#include "platform/linux/usb_survey.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

#include "protocol/device.h"
#include "protocol/usb_identity.h"

namespace brixel::platform {
namespace {

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

std::string canonicalName(const std::filesystem::path& p) {
    std::error_code ec;
    const auto c = std::filesystem::weakly_canonical(p, ec);
    return ec ? p.string() : c.string();
}

}  // namespace

UsbSurvey surveyUsb() {
    UsbSurvey survey;
    survey.root = geteuid() == 0;
    survey.ruleFile = protocol::udevRuleFile;
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
    surveyBus(survey);
    survey.brixelSerial = protocol::deviceSerial;
    for (auto& d : survey.vendorDevices)
        d.brixel = d.usbxpressShape && d.serialKnown && d.serial == survey.brixelSerial;
    return survey;
}

}  // namespace brixel::platform
