#pragma once
// The core's only door to raw Ethernet. The real implementation sits on libpcap; tests use an
// in-memory wire on which they play the devices.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/Clock.h"

namespace zentrel {

// One classic BPF instruction, laid out as libpcap's struct bpf_insn.
struct BpfInstruction {
    std::uint16_t code;
    std::uint8_t jt;
    std::uint8_t jf;
    std::uint32_t k;
};

// An adapter as the capture library lists it (already limited to Ethernet-type interfaces).
struct WireAdapter {
    std::string name;
    std::string description;
    unsigned index = 0;  // the system's interface index; 0 when unknown
};

enum class OpenFailure { None, Permission, Other };

// An open, promiscuous capture on one adapter with the filter installed.
class Capture {
public:
    virtual ~Capture() = default;
    // Sends the bytes as one frame; false when the library refused it.
    virtual bool Send(const std::uint8_t* frame, std::size_t length) = 0;
    // Fetches at most one frame, waiting about 1 ms when none is waiting.
    // Returns 1 with the frame in `frame`, 0 when none came, -1 on an error.
    virtual int Fetch(std::vector<std::uint8_t>& frame) = 0;
    // Fetches a frame only when one is already waiting, so that a wait over several adapters can
    // look at each of them and then sleep once. Same results as Fetch.
    virtual int Poll(std::vector<std::uint8_t>& frame) { return Fetch(frame); }
    // Throws away every frame waiting: a capture kept open for the next scan cycle then starts
    // it as a newly opened one would.
    virtual void Discard() {
        std::vector<std::uint8_t> frame;
        while (Poll(frame) > 0) {
        }
    }
};

class Wire {
public:
    virtual ~Wire() = default;
    // The adapters in the capture library's order. False when the enumeration failed.
    virtual bool ListAdapters(std::vector<WireAdapter>& adapters) = 0;
    // The adapter's current MAC address; false leaves `mac` untouched.
    virtual bool QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) = 0;
    // Opens a capture with the given filter program; null on failure, with the reason.
    virtual std::unique_ptr<Capture> Open(const WireAdapter& adapter,
                                          std::span<const BpfInstruction> filter,
                                          OpenFailure& failure, std::string& error) = 0;
    // Called by a wait for confirmations when a look at each of `captures` (opened by this wire)
    // found nothing. Returns once a frame may be waiting on one of them, or after `remainingMs`
    // at most; the caller keeps the deadline on its own clock and looks again. This default
    // sleeps 1 ms on the caller's clock: a wire that cannot block until a frame comes makes the
    // caller look every millisecond.
    virtual void AwaitFrame(std::span<Capture* const> /*captures*/, std::uint32_t /*remainingMs*/,
                            Clock& clock) {
        clock.SleepMs(1);
    }
};

}  // namespace zentrel
