#pragma once
// What every page and dialog is handed: the core and the Qt sides of its interfaces.
#include <QString>

#include "pages/Core.h"
#include "ui/QtMessages.h"
#include "ui/QtViews.h"
#include "ui/ScanTimer.h"

namespace zentrel::ui {

struct UiContext {
    Core& core;
    QtViews& views;
    QtMessages& messages;
    ScanTimer& timer;

    QString FilePath(const char* name) const { return QString::fromStdString(core.FilePath(name).string()); }
};

// Keeps the scan timer from ticking while a handler blocks: a progress dialog or message box
// runs an event loop, and a tick there would start an exchange inside the handler's own.
class HandlerScope {
public:
    explicit HandlerScope(ScanTimer& timer) : timer_(timer) { timer_.Hold(); }
    ~HandlerScope() { timer_.Release(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    ScanTimer& timer_;
};

}  // namespace zentrel::ui
