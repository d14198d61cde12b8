// zentrel-utility: the desktop program. No command line; its files live in the current
// directory.
#include <QApplication>
#include <memory>

#include "app/desktop/InstanceGuard.h"
#include "pages/Preferences.h"
#include "base/Clock.h"
#include "registry/OemPrefs.h"
#include "ui/DesktopApp.h"
#include "ui/PropertySheet.h"
#include "link/pcap/PcapWire.h"

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName("zentrel-utility");

    zentrel::PcapWire wire;  // touches no adapter until the Main page scans
    zentrel::SystemClock clock;
    zentrel::ui::DesktopApp app(wire, clock, ".");

    // The refusal of a second copy needs the title, so the preferences come first.
    zentrel::LoadOemPrefs(app.core);

    zentrel::app::InstanceGuard guard;
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
    sheet.show();
    sheet.Start();
    sheet.exec();
    return 0;
}
