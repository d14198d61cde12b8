// zentrel-utility: the desktop program. No command line; its files live in the current
// directory.
#include <QApplication>
#include <memory>

#include "app/desktop/InstanceGuard.h"
#include "base/Clock.h"
#include "registry/OemPrefs.h"
#include "ui/DesktopApp.h"
#include "ui/PropertySheet.h"

#ifdef ZENTREL_HAVE_PCAP
#include <pcap/pcap.h>

#include "link/pcap/PcapWire.h"
#else
#include "link/Wire.h"
#endif

namespace {

#ifndef ZENTREL_HAVE_PCAP
class NoAdapters : public zentrel::Wire {
public:
    bool ListAdapters(std::vector<zentrel::WireAdapter>& adapters) override {
        adapters.clear();
        return true;
    }
    bool QueryMac(const zentrel::WireAdapter&, std::uint8_t*) override { return false; }
    std::unique_ptr<zentrel::Capture> Open(const zentrel::WireAdapter&, std::span<const zentrel::BpfInstruction>,
                                           zentrel::OpenFailure& failure, std::string& error) override {
        failure = zentrel::OpenFailure::Other;
        error = "built without a capture library";
        return nullptr;
    }
};
#endif

}  // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName("zentrel-utility");

#ifdef ZENTREL_HAVE_PCAP
    zentrel::PcapWire wire;  // touches no adapter until the Main page scans
#else
    NoAdapters wire;
#endif
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

#ifdef ZENTREL_HAVE_PCAP
    app.core.captureLibraryVersion = pcap_lib_version();
#endif
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
