// zentrel-desktop: the desktop program's window, loaded by its start (Main.cpp) once the first
// rescan is under way.
#include <QApplication>
#include <cstdio>
#include <cstring>
#ifdef ZENTREL_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <thread>
#endif

#include "app/desktop/DesktopStart.h"
#include "app/desktop/InstanceGuard.h"
#include "link/pcap/PcapWire.h"
#include "pages/Preferences.h"
#include "registry/OemPrefs.h"
#include "ui/DesktopApp.h"
#include "ui/PropertySheet.h"
#include "ui/StartupTrace.h"

#if defined(_WIN32)
#define ZENTREL_DESKTOP_EXPORT extern "C" __declspec(dllexport)
#else
#define ZENTREL_DESKTOP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZENTREL_DESKTOP_EXPORT int zentrel_desktop_run(zentrel::app::DesktopStart& start) {
    if (start.version == nullptr || std::strcmp(start.version, ZENTREL_VERSION) != 0) {
        std::fprintf(stderr, "zentrel-utility: its window (zentrel-desktop) is version %s, the program %s\n",
                     ZENTREL_VERSION, start.version ? start.version : "unknown");
        return 1;
    }
    // The window has its own copy of the trace's state.
    zentrel::ui::OpenStartupTrace();
    zentrel::ui::StartupMark("window-loaded");
#ifdef ZENTREL_FONTCONFIG
    // The toolkit reads the system's font configuration the first time it measures text, which
    // building the window does at once. Read on a thread of its own while the toolkit starts, it
    // is there by then.
    std::thread fontConfig([] { FcInit(); });
#endif
    QApplication qtApp(*start.argc, start.argv);
    QApplication::setApplicationName("zentrel-utility");
#ifdef ZENTREL_FONTCONFIG
    fontConfig.join();
#endif
    zentrel::ui::StartupMark("qapplication");

    zentrel::ui::DesktopApp app(*start.wire, *start.clock, ".");
    app.core.earlyRescan = std::move(start.earlyRescan);

    // The refusal of a second copy needs the title, so the preferences come first.
    zentrel::LoadOemPrefs(app.core);
    zentrel::ui::StartupMark("preferences");

    if (!start.guardProblem.empty()) {
        app.messages.Show(zentrel::app::UnguardedMessage(app.core.prefs.title, start.guardProblem));
        return 1;
    }
    if (!start.guardAcquired) {
        app.messages.Show(zentrel::app::AlreadyRunningMessage(app.core.prefs.title));
        return 0;
    }

    app.core.link.captureLibraryVersion = zentrel::CaptureLibraryVersion();
    app.core.onPermissionNotice = [&app](const std::string& text) {
        zentrel::Message notice;
        notice.text = text;
        notice.caption = app.core.prefs.title;
        notice.icon = zentrel::MsgIcon::Warning;
        app.messages.Show(notice);
    };

    zentrel::ui::PropertySheet sheet(app.ctx);
    zentrel::ui::StartupMark("sheet-built");
    sheet.Open();
    sheet.exec();
    return 0;
}
