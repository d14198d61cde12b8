#pragma once
// What every `zentrel` subcommand shares: messages on stderr, the real wire, a core rooted in
// the current directory.
#include <memory>
#include <string>

#include "base/Clock.h"
#include "link/Wire.h"
#include "pages/Core.h"
#include "base/Messages.h"
#include "pages/Views.h"

namespace zentrel::cli {

// Prints every message as "caption: text" on stderr. Yes/No questions take the answer given by
// --yes (Yes) or No otherwise. Counts failures so that a command can set its exit status.
class StderrMessages : public Messages {
public:
    explicit StderrMessages(bool assumeYes = false) : assumeYes_(assumeYes) {}
    MsgAnswer Show(const Message& message) override;
    int shownCount = 0;
    int warningsOrErrors = 0;

private:
    bool assumeYes_;
};

// A wire with no adapters, for commands that never touch the network.
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
