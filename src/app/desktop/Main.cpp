// zentrel-utility: the desktop program. Its files live in the current directory; its only
// options are --help and --version (besides Qt's own).
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#ifdef ZENTREL_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <thread>
#endif

#include "app/desktop/InstanceGuard.h"
#include "pages/Preferences.h"
#include "base/Clock.h"
#include "link/EarlyRescan.h"
#include "registry/OemPrefs.h"
#include "ui/DesktopApp.h"
#include "ui/PropertySheet.h"
#include "ui/StartupTrace.h"
#include "link/pcap/PcapWire.h"

namespace {

const char kUsage[] =
    "Usage: zentrel-utility [-h | --help] [-V | --version]\n"
    "\n"
    "The desktop program of Zentrel Utility: finds the powerline adapter on this computer's\n"
    "Ethernet adapters, lists the devices of its network, changes the network name and adds\n"
    "remote devices. It keeps its files (plc.data, OEMPrefs.dat, OUIList.txt, scan.log and\n"
    "its images) in the current directory. Raw Ethernet needs the capability cap_net_raw.\n"
    "The command-line companion is zentrel (zentrel --help).\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-V") == 0 || std::strcmp(argv[i], "--version") == 0) {
            std::printf("zentrel-utility %s\n", ZENTREL_VERSION);
            return 0;
        }
    }
    zentrel::ui::OpenStartupTrace();
    zentrel::ui::StartupMark("main");
    zentrel::PcapWire wire;
    zentrel::SystemClock clock;
    // A second copy must not touch the adapters, so the lock is taken before the first rescan
    // starts. The rescan then runs while the toolkit starts and the window is built; the Main
    // page's first scan takes its result.
    zentrel::app::InstanceGuard guard;
    std::unique_ptr<zentrel::EarlyRescan> earlyRescan;
    if (guard.Problem().empty() && guard.Acquired()) earlyRescan = std::make_unique<zentrel::EarlyRescan>(wire, clock);

#ifdef ZENTREL_FONTCONFIG
    // The toolkit reads the system's font configuration the first time it measures text, which
    // building the window does at once. Read on a thread of its own while the toolkit starts, it
    // is there by then.
    std::thread fontConfig([] { FcInit(); });
#endif
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName("zentrel-utility");
#ifdef ZENTREL_FONTCONFIG
    fontConfig.join();
#endif
    zentrel::ui::StartupMark("qapplication");

    zentrel::ui::DesktopApp app(wire, clock, ".");
    app.core.earlyRescan = std::move(earlyRescan);

    // The refusal of a second copy needs the title, so the preferences come first.
    zentrel::LoadOemPrefs(app.core);
    zentrel::ui::StartupMark("preferences");

    if (!guard.Problem().empty()) {
        app.messages.Show(zentrel::app::UnguardedMessage(app.core.prefs.title, guard.Problem()));
        return 1;
    }
    if (!guard.Acquired()) {
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
