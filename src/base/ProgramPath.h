#pragma once
// Where the running program's own file is, as the system tells it.
#include <filesystem>

namespace zentrel {

// The program's file, links resolved; empty when the system cannot tell.
std::filesystem::path ProgramPath();

}  // namespace zentrel
