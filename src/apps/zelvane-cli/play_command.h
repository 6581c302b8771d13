// zelvane-cli play: render like export-wav and play through the sound device.
#pragma once

#include <string>
#include <vector>

namespace zel::cli {

extern const char* const PlayHelp;
int RunPlay(const std::vector<std::string>& args, int argc, char** argv);

} // namespace zel::cli
