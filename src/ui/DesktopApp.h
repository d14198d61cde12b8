#pragma once
// The desktop program's objects: the core with its Qt messages, views and scan timer. The
// program builds one on the host's wire; the GUI tests build one on the in-memory wire.
#include <filesystem>

#include "pages/Core.h"
#include "ui/QtMessages.h"
#include "ui/QtViews.h"
#include "ui/ScanTimer.h"
#include "ui/UiContext.h"

namespace zentrel::ui {

class DesktopApp {
public:
    DesktopApp(Wire& wire, Clock& clock, std::filesystem::path directory)
        : core(wire, messages, views, clock, &timer, std::move(directory)), ctx{core, views, messages, timer} {
        timer.SetCore(&core);
    }
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    QtViews views;
    QtMessages messages;
    ScanTimer timer;
    Core core;
    UiContext ctx;
};

}  // namespace zentrel::ui
