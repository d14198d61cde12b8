#pragma once
// An in-memory wire on which a test plays the devices.
//
// Set-up:
//   FakeClock clock;
//   MemoryWire wire(clock);
//   int a = wire.AddAdapter("eth0", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
//   wire.Adapter(a).listed = false;              // unplugged: not listed, index kept
//   wire.Adapter(a).sendFails = true;            // Send returns false and records nothing
//
// Playing devices:
//   wire.responder = [&](int adapter, std::span<const std::uint8_t> frame) {
//       wire.Reply(adapter, SomeConfirmation(...), 5);   // fetchable 5 ms after the send
//   };
//   wire.Deliver(a, frame);            // fetchable now
//   wire.DeliverAt(a, frame, timeMs);  // fetchable once clock.TickMs() >= timeMs
//
// Observing:
//   wire.Adapter(a).sent   every frame sent through a capture of that adapter, as sent
//                          (after the core's padding), with the clock's TickMs at the send.
//
// Behaviour:
// - Adapter indices are the wire's own (the order of AddAdapter); ListAdapters lists the adapters
//   whose `listed` is true in that order, so while all are listed the core's index equals the
//   wire's index.
// - The incoming queue belongs to the adapter: it survives closing and reopening a capture.
// - Fetch returns one frame per call: the first queued frame whose delivery time has come, as the
//   test put it on the wire (the filter is not run: the e2e tests run it in libpcap).
//   When no frame is ready, Fetch advances the clock by 1 ms, the time a real
//   capture waits, so polling loops make progress. Poll is Fetch.
// - Discard (a capture kept for the next scan cycle) drops the frames already fetchable,
//   without time passing.
// - The wire must outlive every capture it opened (declare it before the Core in a test).
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "link/Wire.h"
#include "base/MacAddress.h"

namespace zentrel::test {

struct SentFrame {
    std::vector<std::uint8_t> bytes;
    std::uint32_t timeMs = 0;
};

struct QueuedFrame {
    std::vector<std::uint8_t> bytes;
    std::uint32_t deliverAtMs = 0;
};

struct MemoryAdapter {
    std::string name;
    std::string description;
    Mac mac{};
    bool listed = true;
    bool sendFails = false;
    OpenFailure openFailure = OpenFailure::None;  // what opening a capture on it fails with
    int opens = 0;                                 // captures opened on it
    std::vector<SentFrame> sent;
    std::deque<QueuedFrame> incoming;
};

class MemoryWire : public Wire {
public:
    explicit MemoryWire(Clock& clock) : clock_(clock) {}

    // Returns the wire's index of the new adapter.
    int AddAdapter(const std::string& name, const Mac& mac, const std::string& description = "");
    MemoryAdapter& Adapter(int index) { return adapters_.at(static_cast<std::size_t>(index)); }
    int AdapterCount() const { return static_cast<int>(adapters_.size()); }

    void Deliver(int adapter, std::vector<std::uint8_t> frame) {
        DeliverAt(adapter, std::move(frame), clock_.TickMs());
    }
    void DeliverAt(int adapter, std::vector<std::uint8_t> frame, std::uint32_t timeMs);
    // Delivery `delayMs` after the current time.
    void Reply(int adapter, std::vector<std::uint8_t> frame, std::uint32_t delayMs = 0) {
        DeliverAt(adapter, std::move(frame), clock_.TickMs() + delayMs);
    }
    // Every frame sent on that adapter, in order.
    const std::vector<SentFrame>& Sent(int adapter) { return Adapter(adapter).sent; }
    void ClearSent();

    // Called after each recorded send with the wire's adapter index and the bytes as sent.
    std::function<void(int adapter, std::span<const std::uint8_t> frame)> responder;

    bool ListAdapters(std::vector<WireAdapter>& adapters) override;
    bool QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) override;
    std::unique_ptr<Capture> Open(const WireAdapter& adapter, std::span<const BpfInstruction> filter,
                                  OpenFailure& failure, std::string& error) override;

private:
    friend class MemoryCapture;
    int IndexOf(const std::string& name) const;
    bool Send(int adapter, const std::uint8_t* frame, std::size_t length);
    int Fetch(int adapter, std::vector<std::uint8_t>& frame);
    void Discard(int adapter);

    Clock& clock_;
    std::deque<MemoryAdapter> adapters_;  // a deque keeps references stable across AddAdapter
};

}  // namespace zentrel::test
