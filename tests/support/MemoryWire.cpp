#include "support/MemoryWire.h"

#include <algorithm>

namespace zentrel::test {

class MemoryCapture : public Capture {
public:
    MemoryCapture(MemoryWire& wire, int adapter) : wire_(wire), adapter_(adapter) {}

    bool Send(const std::uint8_t* frame, std::size_t length) override {
        return wire_.Send(adapter_, frame, length);
    }
    int Fetch(std::vector<std::uint8_t>& frame) override { return wire_.Fetch(adapter_, frame); }
    void Discard() override { wire_.Discard(adapter_); }

private:
    MemoryWire& wire_;
    int adapter_;
};

int MemoryWire::AddAdapter(const std::string& name, const Mac& mac, const std::string& description) {
    MemoryAdapter adapter;
    adapter.name = name;
    adapter.description = description.empty() ? name : description;
    adapter.mac = mac;
    adapters_.push_back(std::move(adapter));
    return static_cast<int>(adapters_.size()) - 1;
}

void MemoryWire::DeliverAt(int adapter, std::vector<std::uint8_t> frame, std::uint32_t timeMs) {
    Adapter(adapter).incoming.push_back({std::move(frame), timeMs});
}

void MemoryWire::ClearSent() {
    for (auto& a : adapters_) a.sent.clear();
}

int MemoryWire::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < adapters_.size(); ++i) {
        if (adapters_[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

bool MemoryWire::ListAdapters(std::vector<WireAdapter>& adapters) {
    adapters.clear();
    for (const auto& a : adapters_) {
        if (a.listed) adapters.push_back({a.name, a.description});
    }
    return true;
}

bool MemoryWire::QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) {
    const int i = IndexOf(adapter.name);
    if (i < 0) return false;
    std::copy(Adapter(i).mac.begin(), Adapter(i).mac.end(), mac);
    return true;
}

// The filter is not run: the e2e tests run it in libpcap.
std::unique_ptr<Capture> MemoryWire::Open(const WireAdapter& adapter, std::span<const BpfInstruction>,
                                          OpenFailure& failure, std::string& error) {
    const int i = IndexOf(adapter.name);
    failure = i < 0 ? OpenFailure::Other : Adapter(i).openFailure;
    error = i < 0 ? "no such device" : "";
    if (failure != OpenFailure::None) return nullptr;
    ++Adapter(i).opens;
    return std::make_unique<MemoryCapture>(*this, i);
}

bool MemoryWire::Send(int adapter, const std::uint8_t* frame, std::size_t length) {
    MemoryAdapter& a = Adapter(adapter);
    if (a.sendFails) return false;
    a.sent.push_back({std::vector<std::uint8_t>(frame, frame + length), clock_.TickMs()});
    if (responder) {
        // Copy: the responder may send again, which can move the recorded frames.
        const std::vector<std::uint8_t> bytes = a.sent.back().bytes;
        responder(adapter, bytes);
    }
    return true;
}

void MemoryWire::Discard(int adapter) {
    MemoryAdapter& a = Adapter(adapter);
    const std::uint32_t now = clock_.TickMs();
    std::erase_if(a.incoming, [&](const QueuedFrame& f) { return static_cast<std::int32_t>(now - f.deliverAtMs) >= 0; });
}

int MemoryWire::Fetch(int adapter, std::vector<std::uint8_t>& frame) {
    MemoryAdapter& a = Adapter(adapter);
    const std::uint32_t now = clock_.TickMs();
    for (auto it = a.incoming.begin(); it != a.incoming.end(); ++it) {
        // Signed difference so that a tick count that wrapped still compares correctly.
        if (static_cast<std::int32_t>(now - it->deliverAtMs) < 0) continue;
        frame = std::move(it->bytes);
        a.incoming.erase(it);
        return 1;
    }
    clock_.SleepMs(1);
    return 0;
}

}  // namespace zentrel::test
