// Received frames through the confirmation handler, under each kind of pending request.
//
// Input: byte 0 chooses the state before the frames arrive (bits 0-1: the pending request,
// version / network info / set key / none; bit 2: the first local device already taken; bit 3: a
// set-key of the local device only), byte 1 the set-key result slot. Then frames, each a two-byte
// header (bit 7 of the first byte: adapter 1 instead of 0; the low three bits and the second byte:
// the length) and that many bytes; the last frame takes whatever is left. Each frame reaches the
// handler in an allocation of exactly its length, unfiltered, so a read past its end is caught.
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "link/AdapterAccess.h"
#include "link/Confirmations.h"
#include "link/Frames.h"
#include "pages/Core.h"
#include "pages/Preferences.h"
#include "pages/Storage.h"
#include "registry/DeviceHistory.h"
#include "pages/HistoryList.h"
#include "support/FakeClock.h"
#include "support/MemoryWire.h"
#include "support/RecordingMessages.h"

namespace {

using namespace zentrel;

const Mac kHost0 = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kHost1 = {0x02, 0x00, 0x00, 0x00, 0x00, 0x02};

const std::int32_t kPending[4] = {kMmVersionRequest, kMmNetworkInfoRequest, kMmSetKeyRequest, 0};

class ExactCapture : public Capture {
public:
    std::deque<std::vector<std::uint8_t>> queue;
    int sends = 0;
    bool Send(const std::uint8_t*, std::size_t) override {
        ++sends;
        return true;
    }
    int Fetch(std::vector<std::uint8_t>& frame) override {
        if (queue.empty()) return 0;
        frame = std::move(queue.front());
        frame.shrink_to_fit();
        queue.pop_front();
        return 1;
    }
};

void CheckInvariants(const Core& core) {
    ZENTREL_FUZZ_CHECK(core.link.currentAdapter >= 0 && core.link.currentAdapter < kMaxAdapters);
    for (const auto& t : core.link.tables) {
        ZENTREL_FUZZ_CHECK(t.stationCount >= 0 && t.stationCount <= kMaxStations);
        int present = 0;
        for (const auto& s : t.stations) present += s.present != 0;
        ZENTREL_FUZZ_CHECK(present >= t.stationCount);
    }
    for (const auto& a : core.link.adapters) {
        ZENTREL_FUZZ_CHECK(std::memchr(a.firmwareVersion, '\0', sizeof a.firmwareVersion) != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    test::FakeClock clock;
    test::MemoryWire wire(clock);
    test::RecordingMessages messages;
    Views views;
    Core core(wire, messages, views, clock, nullptr, fuzz::ScratchDir());
    // As in the programs: an emptied table purges empty history records and saves plc.data.
    int clears = 0;
    core.afterClearStationTables = [&clears](Core& c) {
        ++clears;
        PurgeEmptyHistory(c.db, c.link);
    };

    wire.AddAdapter("eth0", kHost0);
    wire.AddAdapter("eth1", kHost1);
    if (!EnumerateAdapters(core.link)) fuzz::Fail("enumeration");
    ExactCapture* captures[2] = {};
    for (int i = 0; i < 2; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        if (!OpenCapture(core.link, i)) fuzz::Fail("open");
        std::memcpy(core.link.adapters[ui].hostMac, core.link.access.slots[ui].hostMac, 6);
        std::memcpy(core.link.tables[ui].hostMac, core.link.access.slots[ui].hostMac, 6);
        auto exact = std::make_unique<ExactCapture>();
        captures[i] = exact.get();
        core.link.access.slots[ui].handle = std::move(exact);
    }

    core.link.pendingRequestType = kPending[data[0] & 3];
    core.link.versionTaken[0] = (data[0] >> 2) & 1;
    core.link.setKeyLocalOnly = (data[0] >> 3) & 1;
    core.link.setKeyResultIndex = data[1] % static_cast<int>(core.link.setKeyResults.size());

    std::size_t pos = 2;
    std::size_t frames = 0;
    while (pos < size) {
        int adapter = 0;
        std::size_t length = size - pos;
        if (size - pos >= 2) {
            adapter = data[pos] >> 7;
            length = (static_cast<std::size_t>(data[pos] & 7) << 8) | data[pos + 1];
            pos += 2;
        }
        length = std::min(length, size - pos);
        captures[adapter]->queue.emplace_back(data + pos, data + pos + length);
        pos += length;
        ++frames;
    }

    const std::uint8_t kUntouched = 0xEE;
    for (int adapter = 0; adapter < 2; ++adapter) {
        std::uint8_t status = kUntouched;
        std::size_t consumed = 0;
        while (HandleConfirmation(core.link, adapter, &status)) {
            ++consumed;
            ZENTREL_FUZZ_CHECK(consumed <= frames);
            CheckInvariants(core);
        }
        ZENTREL_FUZZ_CHECK(captures[adapter]->queue.empty());
        // Only a set-key confirmation writes the status byte.
        if (core.link.pendingRequestType != kMmSetKeyRequest) ZENTREL_FUZZ_CHECK(status == kUntouched);
        // The handler never sends.
        ZENTREL_FUZZ_CHECK(captures[adapter]->sends == 0);
    }
    if (core.link.pendingRequestType != kMmSetKeyRequest) ZENTREL_FUZZ_CHECK(clears == 0);
    return 0;
}
