#pragma once
// Finds and loads the desktop program's window (zentrel-desktop), which holds everything that
// needs the toolkit. It is looked for beside the program first, where the build puts it, then in
// the program's private library directory, where it is installed; never on a search path or in
// the current directory, which is the user's work directory.
#include <string>

#include "app/desktop/DesktopStart.h"

namespace zentrel::app {

// The window's file, or an empty path with `error` saying where it was looked for.
std::string FindDesktopModule(std::string& error);
// Loads the window found there: its entry point, or nullptr with `error` saying what failed.
DesktopEntry LoadDesktopModule(const std::string& path, std::string& error);

}  // namespace zentrel::app
