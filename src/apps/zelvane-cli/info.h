// What "zelvane-cli info" prints: a readable summary of a project, or the whole model as JSON.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "model/song.h"

namespace zel {

std::string ProjectSummary(const TProject& project);
nlohmann::json ProjectJson(const TProject& project);

} // namespace zel
