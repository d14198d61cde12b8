#pragma once
// Which interfaces are Ethernet-type adapters, remembered from one listing to the next. Telling
// takes a probe capture per interface (create and activate), and a host with dozens of container
// or VM interfaces would pay for all of them on every scan cycle.
#include <map>
#include <optional>
#include <string>

namespace zentrel {

struct ProbeVerdict {
    bool ethernet = false;
    bool lasting = false;  // false when the probe could not tell for sure: asked again next time
};

class AdapterVerdicts {
public:
    // The verdict for an interface that the last listing had under this name and index, carried
    // into the listing under way; nothing when the interface must be probed: new, re-created (a
    // new index), unsure the last time, or of index 0 (unknown).
    std::optional<bool> Remembered(const std::string& name, unsigned index);
    // Notes a probe's verdict for the listing under way and returns whether the interface is an
    // Ethernet-type adapter.
    bool Note(const std::string& name, unsigned index, ProbeVerdict verdict);
    // Ends a listing: what it did not ask about is forgotten, so the memory holds the interfaces
    // the host has now and nothing more.
    void EndListing();

private:
    struct Entry {
        unsigned index = 0;
        bool ethernet = false;
    };
    std::map<std::string, Entry> known_;  // from the last listing
    std::map<std::string, Entry> listed_;  // from the listing under way
};

}  // namespace zentrel
