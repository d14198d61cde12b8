#include "registry/Core.h"

#include "report/HistoryList.h"

namespace zentrel {

Core::Core(Wire& w, Messages& m, Views& v, Clock& c, TimerHost* t, std::filesystem::path dir)
    : wire(w), messages(m), views(v), clock(c), timer(t), directory(std::move(dir)) {
    DefaultOemPrefs(prefs);
    // Records whose device left no MAC are dropped before the emptied tables are written out.
    afterClearStationTables = [](Core& core) {
        PurgeEmptyHistory(core);
        SaveDatabase(core);
    };
}

Core::~Core() {
    if (scanLogFile) std::fclose(scanLogFile);
}

}  // namespace zentrel
