#pragma once
// The host's raw Ethernet through libpcap.
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/AdapterVerdicts.h"
#include "link/Wire.h"

struct pcap;  // libpcap's capture handle, pcap_t

namespace zentrel {

class CaptureCloser;

class PcapWire : public Wire {
public:
    PcapWire();
    ~PcapWire() override;
    PcapWire(const PcapWire&) = delete;
    PcapWire& operator=(const PcapWire&) = delete;

    // Ethernet-type adapters only, in libpcap's order: loopback, "any" and pseudo-devices (USB
    // and Bluetooth monitors, netfilter queues, D-Bus, ...) are left out. The core takes the first 8.
    // Only interfaces new since the last listing are probed for their link type, all at once.
    bool ListAdapters(std::vector<WireAdapter>& adapters) override;
    bool QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) override;
    // Promiscuous, snapshot 1514, 1 ms read time-out, immediate delivery, incoming frames only,
    // `filter` installed as given (never compiled from text).
    std::unique_ptr<Capture> Open(const WireAdapter& adapter, std::span<const BpfInstruction> filter,
                                  OpenFailure& failure, std::string& error) override;
    // Blocks in poll() on the captures' selectable descriptors until one has a frame to read or
    // `remainingMs` have passed, so a wait for a device's answer wakes the program only when a
    // frame comes in rather than every millisecond.
    void AwaitFrame(std::span<Capture* const> captures, std::uint32_t remainingMs, Clock& clock) override;

private:
    // An activated capture left by the probe of an interface, for its Open to take.
    struct Spare {
        unsigned index = 0;
        ::pcap* handle = nullptr;
    };
    void CloseSpares();

    std::shared_ptr<CaptureCloser> closer_;  // shared with the captures, which may outlive the wire
    std::map<std::string, Spare> spares_;
    AdapterVerdicts verdicts_;
};

// libpcap's own version text, as the host information shows it.
std::string CaptureLibraryVersion();

// Whether a device of this name is one of libpcap's pseudo-devices rather than a network
// interface. Exposed for tests.
bool IsPseudoDeviceName(const std::string& name);

}  // namespace zentrel
