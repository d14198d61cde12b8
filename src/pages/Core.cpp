#include "pages/Core.h"
#include "registry/DeviceHistory.h"
#include "pages/Storage.h"

#include "pages/HistoryList.h"
#include "pages/MainPage.h"

namespace zentrel {

Core::Core(Wire& w, Messages& m, Views& v, Clock& c, TimerHost* t, std::filesystem::path dir)
    : messages(m), views(v), clock(c), timer(t), directory(std::move(dir)), link(w, c, this) {
    DefaultOemPrefs(prefs);
    // Records whose device left no MAC are dropped before the emptied tables are written out.
    afterClearStationTables = [](Core& core) {
        PurgeEmptyHistory(core.db, core.link);
        SaveDatabaseSoon(core);
    };
}

Core::~Core() {
    if (scanLogFile) std::fclose(scanLogFile);
}

void Core::NetworkStatusChanged() { ShowNetworkStatus(*this, 0); }

void Core::TablesCleared() {
    if (afterClearStationTables) afterClearStationTables(*this);
}

void Core::PermissionNotice(const std::string& text) {
    if (onPermissionNotice) onPermissionNotice(text);
}

}  // namespace zentrel
