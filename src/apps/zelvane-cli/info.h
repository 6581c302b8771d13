// What "zelvane-cli info" prints: a readable summary of a project, or the whole model as JSON.
#pragma once

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "model/song.h"

namespace zel {

std::string ProjectSummary(const TProject& project);
// The same, written as it goes (a structure row may be megabytes wide).
void WriteProjectSummary(const TProject& project, std::ostream& out);
nlohmann::json ProjectJson(const TProject& project);
// The same JSON as ProjectJson(project).dump(2) and a line end, written piece by piece: the
// memory it needs does not grow with the project.
void WriteProjectJson(const TProject& project, std::ostream& out);

} // namespace zel
