#pragma once
// A wire without adapters: nothing is listed and nothing opens. For a program or a test that
// must never touch the network.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/Wire.h"

namespace zentrel {

class NullWire : public Wire {
public:
    bool ListAdapters(std::vector<WireAdapter>& adapters) override;
    bool QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) override;
    std::unique_ptr<Capture> Open(const WireAdapter& adapter, std::span<const BpfInstruction> filter,
                                  OpenFailure& failure, std::string& error) override;
};

}  // namespace zentrel
