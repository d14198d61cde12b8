#include "support/MemoryWire.h"

#include <algorithm>

namespace zentrel::test {

std::uint32_t RunBpf(std::span<const BpfInstruction> program, std::span<const std::uint8_t> packet) {
    std::uint32_t a = 0;
    std::uint32_t x = 0;
    std::uint32_t mem[16] = {};
    const std::size_t len = packet.size();

    auto load = [&](std::uint32_t offset, std::uint32_t width, std::uint32_t& out) {
        if (offset > len || width > len - offset) return false;
        std::uint32_t v = 0;
        for (std::uint32_t i = 0; i < width; ++i) v = (v << 8) | packet[offset + i];  // network order
        out = v;
        return true;
    };

    std::size_t pc = 0;
    for (std::size_t steps = 0; pc < program.size() && steps <= program.size(); ++steps) {
        const BpfInstruction& in = program[pc];
        const std::uint16_t cls = in.code & 0x07;
        switch (cls) {
            case 0x00:    // LD
            case 0x01: {  // LDX
                const std::uint16_t size = in.code & 0x18;
                const std::uint16_t mode = in.code & 0xE0;
                const std::uint32_t width = size == 0x00 ? 4 : size == 0x08 ? 2 : size == 0x10 ? 1 : 0;
                std::uint32_t v = 0;
                if (mode == 0x00) {
                    v = in.k;
                } else if (mode == 0x20 || mode == 0x40) {
                    if (width == 0) return 0;
                    const std::uint32_t base = mode == 0x40 ? x : 0;
                    if (!load(base + in.k, width, v)) return 0;
                } else if (mode == 0x60) {
                    if (in.k >= 16) return 0;
                    v = mem[in.k];
                } else if (mode == 0x80) {
                    v = static_cast<std::uint32_t>(len);
                } else if (mode == 0xA0 && cls == 0x01) {  // ldxb 4*([k]&0xf)
                    if (!load(in.k, 1, v)) return 0;
                    v = (v & 0x0F) * 4;
                } else {
                    return 0;
                }
                (cls == 0x00 ? a : x) = v;
                ++pc;
                break;
            }
            case 0x02:  // ST
            case 0x03:  // STX
                if (in.k >= 16) return 0;
                mem[in.k] = cls == 0x02 ? a : x;
                ++pc;
                break;
            case 0x04: {  // ALU
                const std::uint32_t operand = (in.code & 0x08) ? x : in.k;
                switch (in.code & 0xF0) {
                    case 0x00:
                        a += operand;
                        break;
                    case 0x10:
                        a -= operand;
                        break;
                    case 0x20:
                        a *= operand;
                        break;
                    case 0x30:
                        if (operand == 0) return 0;
                        a /= operand;
                        break;
                    case 0x40:
                        a |= operand;
                        break;
                    case 0x50:
                        a &= operand;
                        break;
                    case 0x60:
                        a = operand < 32 ? a << operand : 0;
                        break;
                    case 0x70:
                        a = operand < 32 ? a >> operand : 0;
                        break;
                    case 0x80:
                        a = 0u - a;
                        break;
                    case 0x90:
                        if (operand == 0) return 0;
                        a %= operand;
                        break;
                    case 0xA0:
                        a ^= operand;
                        break;
                    default:
                        return 0;
                }
                ++pc;
                break;
            }
            case 0x05: {  // JMP
                const std::uint32_t operand = (in.code & 0x08) ? x : in.k;
                const std::uint16_t op = in.code & 0xF0;
                if (op == 0x00) {
                    pc += 1 + static_cast<std::size_t>(in.k);
                    break;
                }
                bool taken = false;
                if (op == 0x10)
                    taken = a == operand;
                else if (op == 0x20)
                    taken = a > operand;
                else if (op == 0x30)
                    taken = a >= operand;
                else if (op == 0x40)
                    taken = (a & operand) != 0;
                else
                    return 0;
                pc += 1 + (taken ? in.jt : in.jf);
                break;
            }
            case 0x06: {  // RET
                const std::uint16_t rval = in.code & 0x18;
                if (rval == 0x00) return in.k;
                if (rval == 0x10) return a;
                if (rval == 0x08) return x;
                return 0;
            }
            case 0x07:  // MISC
                if ((in.code & 0xF8) == 0x00)
                    x = a;
                else if ((in.code & 0xF8) == 0x80)
                    a = x;
                else
                    return 0;
                ++pc;
                break;
            default:
                return 0;
        }
    }
    return 0;  // ran off the end or looped: not a valid program
}

class MemoryCapture : public Capture {
public:
    MemoryCapture(MemoryWire& wire, int adapter, std::span<const BpfInstruction> filter)
        : wire_(wire), adapter_(adapter), filter_(filter.begin(), filter.end()) {
        ++wire_.Adapter(adapter_).openNow;
    }
    ~MemoryCapture() override { --wire_.Adapter(adapter_).openNow; }

    bool Send(const std::uint8_t* frame, std::size_t length) override {
        return wire_.Send(adapter_, frame, length);
    }
    int Fetch(std::vector<std::uint8_t>& frame) override { return wire_.Fetch(adapter_, filter_, frame); }

private:
    MemoryWire& wire_;
    int adapter_;
    std::vector<BpfInstruction> filter_;
};

int MemoryWire::AddAdapter(const std::string& name, const Mac& mac, const std::string& description) {
    MemoryAdapter adapter;
    adapter.name = name;
    adapter.description = description.empty() ? name : description;
    adapter.mac = mac;
    adapters_.push_back(std::move(adapter));
    return static_cast<int>(adapters_.size()) - 1;
}

int MemoryWire::OpenCaptures() const {
    int n = 0;
    for (const auto& a : adapters_) n += a.openNow;
    return n;
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
    if (failEnumeration) return false;
    for (const auto& a : adapters_) {
        if (a.listed) adapters.push_back({a.name, a.description});
    }
    return true;
}

bool MemoryWire::QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) {
    const int i = IndexOf(adapter.name);
    if (i < 0 || Adapter(i).macQueryFails) return false;
    std::copy(Adapter(i).mac.begin(), Adapter(i).mac.end(), mac);
    return true;
}

std::unique_ptr<Capture> MemoryWire::Open(const WireAdapter& adapter, std::span<const BpfInstruction> filter,
                                          OpenFailure& failure, std::string& error) {
    const int i = IndexOf(adapter.name);
    if (i < 0) {
        failure = OpenFailure::Other;
        error = "no such device";
        return nullptr;
    }
    MemoryAdapter& a = Adapter(i);
    if (a.openFailure != OpenFailure::None) {
        failure = a.openFailure;
        error = a.openFailure == OpenFailure::Permission ? "permission denied" : "open failed";
        return nullptr;
    }
    a.filter.assign(filter.begin(), filter.end());
    ++a.opens;
    failure = OpenFailure::None;
    error.clear();
    return std::make_unique<MemoryCapture>(*this, i, filter);
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

int MemoryWire::Fetch(int adapter, std::span<const BpfInstruction> filter, std::vector<std::uint8_t>& frame) {
    MemoryAdapter& a = Adapter(adapter);
    if (a.fetchError) return -1;
    const std::uint32_t now = clock_.TickMs();
    for (auto it = a.incoming.begin(); it != a.incoming.end();) {
        // Signed difference so that a tick count that wrapped still compares correctly.
        if (static_cast<std::int32_t>(now - it->deliverAtMs) < 0) {
            ++it;
            continue;
        }
        const std::uint32_t accept = RunBpf(filter, it->bytes);
        if (accept == 0) {
            it = a.incoming.erase(it);
            continue;
        }
        frame = std::move(it->bytes);
        if (accept < frame.size()) frame.resize(accept);
        a.incoming.erase(it);
        return 1;
    }
    if (fetchWaitMs) clock_.SleepMs(fetchWaitMs);
    return 0;
}

}  // namespace zentrel::test
