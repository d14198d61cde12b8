#pragma once
// What every `zentrel` subcommand shares: messages on stderr, the real wire, a core rooted in
// the current directory.
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "link/Wire.h"
#include "pages/Core.h"
#include "base/Messages.h"
#include "pages/Views.h"

namespace zentrel::cli {

// Prints every message as "caption: text" on stderr. A Yes/No question takes Yes with --yes;
// otherwise it is asked on the terminal (y/N), and without a terminal it takes No and says to
// pass --yes. Counts failures so that a command can set its exit status.
class StderrMessages : public Messages {
public:
    explicit StderrMessages(bool assumeYes = false) : assumeYes_(assumeYes) {}
    MsgAnswer Show(const Message& message) override;
    int shownCount = 0;
    int warningsOrErrors = 0;

private:
    bool assumeYes_;
};

// A file this process could not write, with the system's reason.
struct SaveFailure {
    std::string file;
    std::string reason;
};
// Every failed save of this run, each file and reason once, in the order met.
const std::vector<SaveFailure>& SaveFailures();
void NoteSaveFailure(const std::filesystem::path& file, int error);
// After the command's own messages: one line per failed save on stderr, and the exit status
// turned into a failure when there was one.
int ReportSaveFailures(int status);

// The raw-Ethernet wire of this host (libpcap).
std::unique_ptr<Wire> MakeHostWire();

// The scan timer of the command-line program: it only records whether a timer runs; the
// command's own loop calls ScanTick every 25 ms.
class LoopTimer : public TimerHost {
public:
    int StartTimer(int) override {
        running = true;
        return ++id;
    }
    void StopTimer(int stopped) override {
        if (stopped == id) running = false;
    }
    bool running = false;
    int id = 0;
};

// Everything a subcommand needs, rooted in the current directory.
struct CliContext {
    explicit CliContext(bool assumeYes = false);
    StderrMessages messages;
    Views views;
    SystemClock clock;
    LoopTimer timer;
    std::unique_ptr<Wire> wire;
    std::unique_ptr<Core> core;
};

}  // namespace zentrel::cli
