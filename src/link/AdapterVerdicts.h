#pragma once
// Which interfaces are Ethernet-type adapters, remembered from one listing to the next. Telling
// takes a probe capture per interface (create and activate), and a host with dozens of container
// or VM interfaces would pay for all of them on every scan cycle.
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace zentrel {

struct ProbeVerdict {
    bool ethernet = false;
    bool lasting = false;  // false when the probe could not tell for sure: asked again next time
};

class AdapterVerdicts {
public:
    using Probe = std::function<ProbeVerdict(const std::string& name)>;
    explicit AdapterVerdicts(Probe probe) : probe_(std::move(probe)) {}

    // Whether the interface is an Ethernet-type adapter. Probes only an interface that the last
    // listing did not have under this name and index (a re-created interface gets a new index);
    // index 0, unknown, probes every time.
    bool IsEthernet(const std::string& name, unsigned index);
    // Ends a listing: what it did not ask about is forgotten, so the memory holds the interfaces
    // the host has now and nothing more.
    void EndListing();

private:
    struct Entry {
        unsigned index = 0;
        bool ethernet = false;
    };
    Probe probe_;
    std::map<std::string, Entry> known_;  // from the last listing
    std::map<std::string, Entry> listed_;  // from the listing under way
};

}  // namespace zentrel
