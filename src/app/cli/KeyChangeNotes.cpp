#include "cli/KeyChangeNotes.h"

#include <cstdio>

#include "cli/ScanSession.h"
#include "pages/Core.h"

namespace zentrel::cli {

bool RequireLocalDevice(const char* command, const Core& core) {
    if (LocalDeviceFound(core)) return true;
    std::fprintf(stderr,
                 "zentrel %s: no powerline device found on this computer's Ethernet adapters; nothing was "
                 "sent.\nCheck the cable. A device that has just taken a new network name is silent for a few "
                 "seconds while it restarts.\n",
                 command);
    return false;
}

void HintIfUnanswered(const char* command, const Core& core) {
    if (core.pages.lastSetKeyResult != -1) return;
    std::fprintf(stderr,
                 "zentrel %s: the local device did not answer. If its network name was changed a moment ago, "
                 "it may still be restarting: try again in a few seconds.\n",
                 command);
}

}  // namespace zentrel::cli
