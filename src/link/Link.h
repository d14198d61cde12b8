#pragma once
// The link: the wire and the clock it works through, the state it keeps between exchanges and
// the open captures. Frames, confirmations, station operations, adapter access and the exchange
// engine all take a Link.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "link/AdapterAccess.h"
#include "link/LinkEvents.h"
#include "link/StationTable.h"
#include "link/Wire.h"

namespace zentrel {

// Confirmations awaited on several adapters at once. Each adapter's first answer is held, not
// taken, until the wait is over: the caller decides which answers count and takes them in
// adapter order, so the result is the one of asking the adapters one after another.
struct HeldAnswers {
    std::array<bool, kMaxAdapters> waiting{};  // asked and not answered yet
    std::array<bool, kMaxAdapters> answered{};
    std::array<std::vector<std::uint8_t>, kMaxAdapters> frames{};
};

// What the link remembers between exchanges: one of each for the whole run.
struct LinkState {
    std::array<AdapterRecord, kMaxAdapters> adapters{};
    StationTables tables{};
    std::int32_t currentAdapter = 0;
    std::int32_t pendingRequestType = 0;
    std::uint8_t replyReceived = 0;
    std::array<std::int32_t, kMaxAdapters> versionTaken{};
    std::uint8_t setKeyLocalOnly = 0;
    std::int32_t setKeyResultIndex = 0;
    std::array<std::uint8_t, 34> setKeyResults{};
    // Network-information answers asked for ahead of the pass that takes them
    // (PrefetchNetworkInfo): for the next QueryNetworkInfo, dropped with the captures.
    std::optional<HeldAnswers> prefetched;
};

struct Link : LinkState {
    Link(Wire& w, Clock& c, LinkEvents* e = nullptr) : wire(w), clock(c), events(e) {}
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    Wire& wire;
    Clock& clock;
    LinkEvents* events;  // none: nobody above listens
    AdapterAccessState access;
    // The capture library's own version text, set by the program that links it (empty when the
    // program runs without one); the host information shows it after the library's file name.
    std::string captureLibraryVersion;
};

}  // namespace zentrel
