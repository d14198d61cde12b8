#include "link/Exchange.h"

#include <array>
#include <cstring>
#include <vector>

#include "base/MacAddress.h"
#include "link/AdapterAccess.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "link/Link.h"
#include "link/StationOps.h"

namespace zentrel {
namespace {

constexpr std::uint32_t kVersionTimeoutMs = 50;
constexpr std::uint32_t kSetKeyTimeoutMs = 350;
constexpr int kNetworkInfoAttempts = 3;
constexpr int kLateLookFrames = 32;
// How long after the requests went out their time-outs begin. A scan's waits look for answers
// from the moment the requests are sent, and a look that finds nothing waits on the captures, so
// an answer is taken as it arrives; the lead only keeps each wait ending where it always has, so
// that no answer that used to count is missed.
constexpr std::uint32_t kVersionLeadMs = 2;
constexpr std::uint32_t kNetworkInfoLeadMs = 4;

// Waits after a look found nothing: until a frame may be waiting on one of the adapters still
// waiting, or until what is left of `timeoutMs` since `start` has passed. The wire decides how;
// the deadline stays the caller's, measured on the link's clock.
void AwaitFrame(Link& link, const HeldAnswers* held, int adapter, int count, std::uint32_t start,
                std::uint32_t timeoutMs) {
    std::array<Capture*, kMaxAdapters> captures{};
    std::size_t n = 0;
    for (int i = 0; i < count; ++i) {
        const auto a = static_cast<std::size_t>(i);
        if (held ? !held->waiting[a] : i != adapter) continue;
        if (Capture* capture = link.access.slots[a].handle.get()) captures[n++] = capture;
    }
    const std::uint32_t elapsed = link.clock.TickMs() - start;
    const std::uint32_t remaining = elapsed < timeoutMs ? timeoutMs - elapsed : 0;
    link.wire.AwaitFrame(std::span<Capture* const>(captures.data(), n), remaining, link.clock);
}

// HandleConfirmation on a frame already waiting: the wait between looks is AwaitFrame's.
bool PollConfirmation(Link& link, int adapter, std::uint8_t* status) {
    const auto frame = PollFrame(link, adapter);
    if (!frame) return false;
    TakeConfirmation(link, adapter, *frame, status);
    return true;
}

// Reads one frame from each adapter still waiting, without waiting for one; returns whether any
// frame came.
bool PollWaiting(Link& link, HeldAnswers& held, int count) {
    bool consumed = false;
    for (int i = 0; i < count; ++i) {
        const auto a = static_cast<std::size_t>(i);
        if (!held.waiting[a]) continue;
        const auto frame = PollFrame(link, i);
        if (!frame) continue;
        consumed = true;
        if (!AnswersPendingRequest(link, *frame)) continue;
        held.frames[a].assign(frame->begin(), frame->end());
        held.answered[a] = true;
        held.waiting[a] = false;
    }
    return consumed;
}

// ExchangeWait over every waiting adapter at once: polls them in turn until `timeoutMs` has
// passed since `start` or `decided` says the answers held so far settle the outcome, then looks
// once more at what came in meanwhile. No pause between the looks: a look that finds nothing
// waits on the captures until a frame comes, so a pause would only hold back the answer.
template <typename Decided>
void AwaitAnswers(Link& link, HeldAnswers& held, int count, std::uint32_t start, std::uint32_t timeoutMs,
                  Decided decided) {
    while (link.clock.TickMs() - start < timeoutMs) {
        if (decided()) return;
        if (!PollWaiting(link, held, count)) AwaitFrame(link, &held, -1, count, start, timeoutMs);
    }
    for (int n = 0; n < kLateLookFrames && !decided(); ++n) {
        if (!PollWaiting(link, held, count)) break;
    }
}

}  // namespace

int AdapterCount(const Link& link) {
    const int count = link.access.adapterCount;
    return count < 0 ? 0 : (count > kMaxAdapters ? kMaxAdapters : count);
}

bool ExchangeWait(Link& link, int adapter, std::uint32_t timeoutMs, std::uint8_t* status) {
    link.replyReceived = 0;
    const std::uint32_t start = link.clock.TickMs();
    // Elapsed time rather than an absolute deadline, so a tick counter that wraps during the wait
    // does not end it early or stretch it. Only a look that found nothing waits: under a flood of
    // frames nobody asked for, a wait after every frame lets the queue grow faster than it drains
    // and buries the awaited confirmation until the time-out.
    while (link.clock.TickMs() - start < timeoutMs) {
        if (link.replyReceived) return true;
        if (!PollConfirmation(link, adapter, status)) AwaitFrame(link, nullptr, adapter, kMaxAdapters, start, timeoutMs);
    }
    // A busy host may not run the program for a while during the wait, so that it looks again
    // only after the time-out, with the confirmation already waiting in the capture. What is
    // waiting then still counts: the frames that came in between are read, up to a few dozen, so
    // that a flood cannot keep the wait going.
    for (int n = 0; n < kLateLookFrames && !link.replyReceived; ++n) {
        if (!HandleConfirmation(link, adapter, status)) break;
    }
    return link.replyReceived != 0;
}

int SetNetworkKey(Link& link, const std::string& nmkText, int mode, const std::string* dakText) {
    link.versionTaken.fill(0);
    const int adapter = link.currentAdapter;
    SendSetKeyRequest(link, adapter, nmkText, mode, dakText);
    link.clock.SleepMs(2);
    std::uint8_t status = 0;
    if (!ExchangeWait(link, adapter, kSetKeyTimeoutMs, &status)) return -1;
    return status;
}

bool DiscoverLocalDevices(Link& link) {
    link.versionTaken.fill(0);
    ClearStationTables(link);
    const int count = AdapterCount(link);
    link.replyReceived = 0;
    if (count == 0) return false;  // nobody to wait for
    HeldAnswers held;
    for (int i = 0; i < count; ++i) {
        SendVersionRequest(link, i);
        held.waiting[static_cast<std::size_t>(i)] = true;
    }
    const std::uint32_t sent = link.clock.TickMs();
    // The first adapter in list order whose device answered is the one taken, as if each had
    // been asked alone in turn; so the wait ends early only when no adapter before the first
    // answer can still answer.
    auto firstAnswer = [&] {
        for (int i = 0; i < count; ++i) {
            const auto a = static_cast<std::size_t>(i);
            if (held.answered[a]) return i;
            if (held.waiting[a]) return -1;
        }
        return -1;
    };
    AwaitAnswers(link, held, count, sent, kVersionLeadMs + kVersionTimeoutMs, [&] { return firstAnswer() >= 0; });
    for (int i = 0; i < count; ++i) {
        const auto a = static_cast<std::size_t>(i);
        if (!held.answered[a]) continue;
        TakeConfirmation(link, i, held.frames[a], nullptr);
        break;
    }
    for (int i = 0; i < count; ++i) {
        if (link.adapters[static_cast<std::size_t>(i)].localFound) return true;
    }
    return false;
}

namespace {

// Asks every adapter whose local device is known, all at once per attempt, and holds each one's
// first answer.
HeldAnswers AskNetworkInfo(Link& link, int count) {
    HeldAnswers held;
    for (int i = 0; i < count; ++i) {
        // No device answers 00:00:00:00:00:00: asking would only block for 450 ms.
        held.waiting[static_cast<std::size_t>(i)] = IsMacSet(link.adapters[static_cast<std::size_t>(i)].localMac);
    }
    auto allAnswered = [&] {
        for (int i = 0; i < count; ++i) {
            if (held.waiting[static_cast<std::size_t>(i)]) return false;
        }
        return true;
    };
    // Every attempt asks all the adapters still without an answer at once.
    for (int attempt = 0; attempt < kNetworkInfoAttempts && !allAnswered(); ++attempt) {
        for (int i = 0; i < count; ++i) {
            if (held.waiting[static_cast<std::size_t>(i)]) SendNetworkInfoRequest(link, i);
        }
        const std::uint32_t sent = link.clock.TickMs();
        const auto timeout = static_cast<std::uint32_t>(50 + 100 * attempt);
        AwaitAnswers(link, held, count, sent, kNetworkInfoLeadMs + timeout, allAnswered);
    }
    return held;
}

}  // namespace

void PrefetchNetworkInfo(Link& link) { link.prefetched = AskNetworkInfo(link, AdapterCount(link)); }

void QueryNetworkInfo(Link& link) {
    link.versionTaken.fill(0);
    // The handler makes every answering adapter current; the adapter chosen by the discovery (or
    // by the user) stays current, so a second adapter with a device does not hide the first one's
    // stations.
    const std::int32_t chosenAdapter = link.currentAdapter;
    const int count = AdapterCount(link);
    link.replyReceived = 0;
    const HeldAnswers held = link.prefetched ? std::move(*link.prefetched) : AskNetworkInfo(link, count);
    link.prefetched.reset();
    for (int i = 0; i < count; ++i) {
        const auto a = static_cast<std::size_t>(i);
        if (held.answered[a]) TakeConfirmation(link, i, held.frames[a], nullptr);
    }
    if (link.currentAdapter != chosenAdapter) {
        link.currentAdapter = chosenAdapter;
        if (link.events) link.events->NetworkStatusChanged();
    }
}

bool RescanAdapters(Link& link) {
    for (auto& record : link.adapters) record.localFound = 0;
    if (RelistAdapters(link)) {
        const int count = AdapterCount(link);
        for (int i = 0; i < count; ++i) {
            if (OpenCapture(link, i)) {
                std::memcpy(link.adapters[static_cast<std::size_t>(i)].hostMac,
                            link.access.slots[static_cast<std::size_t>(i)].hostMac, 6);
            }
        }
    }
    const int count = AdapterCount(link);
    // The version handler takes the local device's address only from a frame sent to the
    // table's hostMac: a table reset to zeros must know it before the discovery, or the first
    // cycle would find the device without learning its address.
    for (int i = 0; i < count; ++i) {
        std::memcpy(link.tables[static_cast<std::size_t>(i)].hostMac,
                    link.adapters[static_cast<std::size_t>(i)].hostMac, 6);
    }
    const bool found = DiscoverLocalDevices(link);
    for (int i = 0; i < count; ++i) {
        auto& table = link.tables[static_cast<std::size_t>(i)];
        const auto& record = link.adapters[static_cast<std::size_t>(i)];
        std::memcpy(table.hostMac, record.hostMac, 6);
        table.localFound = record.localFound;
        if (record.localFound) {
            table.localAux = record.localAux;
            std::memcpy(table.localMac, record.localMac, 6);
        }
    }
    if (!found) ClearStationTables(link);
    return found;
}

}  // namespace zentrel
