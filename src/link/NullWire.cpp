#include "link/NullWire.h"

namespace zentrel {

bool NullWire::ListAdapters(std::vector<WireAdapter>& adapters) {
    adapters.clear();
    return true;
}

bool NullWire::QueryMac(const WireAdapter&, std::uint8_t*) { return false; }

std::unique_ptr<Capture> NullWire::Open(const WireAdapter&, std::span<const BpfInstruction>, OpenFailure& failure,
                                        std::string& error) {
    failure = OpenFailure::Other;
    error = "no capture backend";
    return nullptr;
}

}  // namespace zentrel
