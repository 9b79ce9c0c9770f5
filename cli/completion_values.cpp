#include "cli/completion_values.h"

#include <map>

namespace brixel::cli {
namespace {

std::map<const CLI::Option*, std::vector<std::string>>& offers() {
    static std::map<const CLI::Option*, std::vector<std::string>> table;
    return table;
}

}  // namespace

void offerValues(const CLI::Option* option, std::vector<std::string> values) { offers()[option] = std::move(values); }

const std::vector<std::string>& offeredValues(const CLI::Option* option) {
    static const std::vector<std::string> none;
    const auto it = offers().find(option);
    return it == offers().end() ? none : it->second;
}

}  // namespace brixel::cli
