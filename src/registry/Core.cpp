#include "registry/Core.h"

namespace zentrel {

Core::Core(Wire& w, Messages& m, Views& v, Clock& c, TimerHost* t, std::filesystem::path dir)
    : wire(w), messages(m), views(v), clock(c), timer(t), directory(std::move(dir)) {
    DefaultOemPrefs(prefs);
}

Core::~Core() {
    if (scanLogFile) std::fclose(scanLogFile);
}

}  // namespace zentrel
