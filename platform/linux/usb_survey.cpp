#include "platform/linux/usb_survey.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

namespace brixel::platform {
namespace {

// Where udev reads rules from.
constexpr std::string_view udevRuleDirs[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                             "/lib/udev/rules.d"};

// Where `cmake --install` put it, which udev ignores under /usr/local.
#ifndef BRIXEL_INSTALLED_RULES_DIR
#define BRIXEL_INSTALLED_RULES_DIR "/usr/local/lib/udev/rules.d"
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
    std::set<std::string> active;
    for (auto dir : udevRuleDirs) {
        const std::filesystem::path rule = std::filesystem::path(dir) / udevRuleFile;
        std::error_code ec;
        if (std::filesystem::exists(rule, ec) && active.insert(canonicalName(rule)).second)
            survey.rulesActive.push_back(rule.string());
    }
    for (std::string_view dir :
         {std::string_view(BRIXEL_INSTALLED_RULES_DIR), std::string_view("/usr/local/lib/udev/rules.d")}) {
        const std::filesystem::path rule = std::filesystem::path(dir) / udevRuleFile;
        std::error_code ec;
        if (std::filesystem::exists(rule, ec) && !active.count(canonicalName(rule)) &&
            std::find(survey.rulesIgnored.begin(), survey.rulesIgnored.end(), rule.string()) ==
                survey.rulesIgnored.end())
            survey.rulesIgnored.push_back(rule.string());
    }
    surveyBus(survey);
    return survey;
}

}  // namespace brixel::platform
