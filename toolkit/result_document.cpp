// SPDX-License-Identifier: MIT
#include "toolkit/result_document.h"

namespace brixel::toolkit {

nlohmann::json ResultDocument::toJson() const& { return ResultDocument(*this).toJson(); }

nlohmann::json ResultDocument::toJson() && {
    nlohmann::json j = result.is_object() ? std::move(result) : nlohmann::json::object();
    j["command"] = command;
    j["confirmed"] = confirmed ? nlohmann::json(*confirmed) : nlohmann::json(nullptr);
    j["messages"] = messages;
    j["warnings"] = warnings;
    j["notes"] = notes;
    j["problems"] = problems;
    if (error) j["error"] = *error;
    return j;
}

std::string jsonText(const nlohmann::json& document, int indent) {
    return document.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace brixel::toolkit
