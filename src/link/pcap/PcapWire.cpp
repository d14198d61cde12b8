#include "link/pcap/PcapWire.h"

#include <net/if.h>
#include <pcap/pcap.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "link/pcap/HostMac.h"

namespace zentrel {

static_assert(sizeof(BpfInstruction) == sizeof(bpf_insn));
static_assert(offsetof(BpfInstruction, code) == offsetof(bpf_insn, code));
static_assert(offsetof(BpfInstruction, jt) == offsetof(bpf_insn, jt));
static_assert(offsetof(BpfInstruction, jf) == offsetof(bpf_insn, jf));
static_assert(offsetof(BpfInstruction, k) == offsetof(bpf_insn, k));

namespace {

// Every frame we read is an ordinary Ethernet frame: 1514 bytes at most, checksum excluded.
constexpr int kSnapLength = 1514;
// The kernel's receive ring. libpcap makes each slot as long as the snapshot length (64 KB on an
// interface with receive offloads when the snapshot is larger), and with 64 KB slots the default
// 2 MB held 32 frames: a few milliseconds of a busy segment. While the program wrote plc.data or
// slept after a send, the ring filled and the kernel dropped the confirmation it waited for.
// 4 MB of 1514-byte slots hold about 2700 frames, half a second of 5000 frames per second.
constexpr int kRingBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxSendBytes = 65536;
constexpr int kReadTimeoutMs = 1;
constexpr int kMaxDiscardDispatches = 256;
// The captures one AwaitFrame can wait on: the core has at most 8 adapters, the first 8 listed.
constexpr std::size_t kMaxAwaited = 8;
// No wait of the exchange is longer; a longer block only guards against a caller's slip.
constexpr std::uint32_t kMaxBlockMs = 1000;

}  // namespace

// Closes captures on threads of their own. A close waits for the kernel to retire the socket's
// packet hooks, twice for a socket with a ring (15 to 35 ms on the 2-core machines measured):
// long enough to freeze a window, and closes that run side by side end together.
class CaptureCloser {
public:
    CaptureCloser() = default;
    CaptureCloser(const CaptureCloser&) = delete;
    CaptureCloser& operator=(const CaptureCloser&) = delete;
    // Waits for the closes under way: the captures are gone when the closer is.
    ~CaptureCloser() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return pending_ == 0; });
    }

    void Close(pcap_t* handle) {
        if (!handle) return;
        {
            const std::lock_guard lock(mutex_);
            ++pending_;
        }
        try {
            std::thread([this, handle] {
                pcap_close(handle);
                // Told under the lock, so the waiter cannot go on, and the closer go, before
                // this thread is done with it.
                const std::lock_guard lock(mutex_);
                if (--pending_ == 0) idle_.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: closed here, as it always could be.
            pcap_close(handle);
            const std::lock_guard lock(mutex_);
            --pending_;
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable idle_;
    int pending_ = 0;
};

namespace {

class PcapCapture : public Capture {
public:
    PcapCapture(pcap_t* handle, std::shared_ptr<CaptureCloser> closer)
        : handle_(handle), fd_(pcap_get_selectable_fd(handle)), closer_(std::move(closer)) {}
    ~PcapCapture() override { closer_->Close(handle_); }
    PcapCapture(const PcapCapture&) = delete;
    PcapCapture& operator=(const PcapCapture&) = delete;

    bool Send(const std::uint8_t* frame, std::size_t length) override {
        if (length > kMaxSendBytes) return false;
        return pcap_sendpacket(handle_, frame, static_cast<int>(length)) == 0;
    }

    // The handle is non-blocking, so a dispatch never sleeps; when nothing waits we give the
    // kernel at most one read time-out to deliver a frame and try once more.
    int Fetch(std::vector<std::uint8_t>& frame) override {
        int result = DispatchOne(frame);
        if (result != 0) return result;
        if (fd_ >= 0) {
            pollfd waitFor{fd_, POLLIN, 0};
            if (::poll(&waitFor, 1, kReadTimeoutMs) <= 0) return 0;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kReadTimeoutMs));
        }
        return DispatchOne(frame);
    }

    int Poll(std::vector<std::uint8_t>& frame) override { return DispatchOne(frame); }

    // The descriptor that becomes readable when a frame arrives; -1 when the platform has none.
    int SelectableFd() const { return fd_; }

    // Bounded, so that a flood arriving as fast as it is read cannot keep the caller here.
    void Discard() override {
        for (int n = 0; n < kMaxDiscardDispatches; ++n) {
            if (pcap_dispatch(handle_, -1, &PcapCapture::Ignore, nullptr) <= 0) return;
        }
    }

private:
    static void Ignore(u_char*, const pcap_pkthdr*, const u_char*) {}

    struct Delivery {
        std::vector<std::uint8_t>* frame;
        bool delivered;
    };

    static void Copy(u_char* user, const pcap_pkthdr* header, const u_char* bytes) {
        auto* delivery = reinterpret_cast<Delivery*>(user);
        delivery->frame->assign(bytes, bytes + header->caplen);
        delivery->delivered = true;
    }

    int DispatchOne(std::vector<std::uint8_t>& frame) {
        Delivery delivery{&frame, false};
        const int count = pcap_dispatch(handle_, 1, &PcapCapture::Copy, reinterpret_cast<u_char*>(&delivery));
        if (count < 0) return -1;
        return delivery.delivered ? 1 : 0;
    }

    pcap_t* handle_;
    int fd_;
    std::shared_ptr<CaptureCloser> closer_;
};

bool IsPermissionText(const char* text) {
    return std::strstr(text, "ermission") != nullptr || std::strstr(text, "not permitted") != nullptr;
}

// An activation that failed because this user may not capture or the interface is down: the
// operating system, not libpcap, can say then whether the interface is Ethernet.
bool DeniedOrDown(int activated, pcap_t* handle) {
    return activated == PCAP_ERROR_PERM_DENIED || activated == PCAP_ERROR_IFACE_NOT_UP ||
           IsPermissionText(pcap_geterr(handle));
}

// A capture with the settings every open one has, created but not yet activated.
void SetCaptureOptions(pcap_t* handle) {
    pcap_set_snaplen(handle, kSnapLength);
    pcap_set_buffer_size(handle, kRingBytes);
    pcap_set_promisc(handle, 1);
    pcap_set_timeout(handle, kReadTimeoutMs);
    pcap_set_immediate_mode(handle, 1);
}

}  // namespace

std::string CaptureLibraryVersion() { return pcap_lib_version(); }

bool IsPseudoDeviceName(const std::string& name) {
    static const char* const kPrefixes[] = {"any",  "bluetooth", "nflog", "nfqueue",
                                            "usbmon", "dbus",     "nlmon", "dpdk:"};
    if (name == "any") return true;
    for (const char* prefix : kPrefixes) {
        const std::size_t n = std::strlen(prefix);
        if (name.compare(0, n, prefix) != 0) continue;
        // A prefix may also start an ordinary name ("anyway0"); only the bare word or the word
        // followed by a digit or separator is the pseudo-device.
        if (name.size() == n) return true;
        const char next = name[n];
        if ((next >= '0' && next <= '9') || next == '-' || next == ':' || next == '_' || prefix[n - 1] == ':')
            return true;
    }
    return false;
}

namespace {

// What a probe found, and the capture it kept for the open.
struct ProbeOutcome {
    ProbeVerdict verdict;
    pcap_t* kept = nullptr;
};

// Asks libpcap for the link type. Only an activated probe gives a verdict that lasts; when libpcap
// cannot tell (no permission to open captures, or the interface is down) the operating system has
// to say, and the interface is probed again next time.
// With `keep`, the probe is the capture the adapter is opened with a moment later: activated with
// the same settings, and kept when the link type is Ethernet. Activating a capture and closing it
// each wait for the kernel to retire the old packet hooks (7 to 17 ms each on the 2-core machines
// measured), so a separate probe that is closed again costs three of those waits more than the
// open alone, on the path to the first scan. Without `keep`, a plain probe: not promiscuous, a
// small ring, closed at once.
ProbeOutcome ProbeInterface(const std::string& name, bool keep, CaptureCloser& closer) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(name.c_str(), error);
    if (!handle) return {{IsPermissionText(error) && IsEthernetInterface(name), false}};
    if (keep) {
        SetCaptureOptions(handle);
    } else {
        pcap_set_snaplen(handle, 64);
        pcap_set_buffer_size(handle, 64 * 1024);
        pcap_set_timeout(handle, kReadTimeoutMs);
    }
    const int activated = pcap_activate(handle);
    if (activated >= 0) {
        const bool ethernet = pcap_datalink(handle) == DLT_EN10MB;
        if (keep && ethernet) return {{true, true}, handle};
        closer.Close(handle);
        return {{ethernet, true}};
    }
    const bool deniedOrDown = DeniedOrDown(activated, handle);
    pcap_close(handle);  // not activated: nothing for the kernel to retire
    if (deniedOrDown) return {{IsEthernetInterface(name), false}};
    // Promiscuous mode or the large ring may be what failed: the plain probe still tells the link
    // type.
    if (keep) return ProbeInterface(name, false, closer);
    return {};
}

// Probes run side by side: the kernel's waits in them overlap, and overlapping waits end together.
constexpr std::size_t kProbesAtOnce = 16;

}  // namespace

PcapWire::PcapWire() : closer_(std::make_shared<CaptureCloser>()) {}

PcapWire::~PcapWire() { CloseSpares(); }

void PcapWire::CloseSpares() {
    for (auto& [name, spare] : spares_) closer_->Close(spare.handle);
    spares_.clear();
}

bool PcapWire::ListAdapters(std::vector<WireAdapter>& adapters) {
    adapters.clear();
    // A probe's capture that nobody opened since the last listing is not wanted.
    CloseSpares();
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, error) != 0) return false;
    struct Candidate {
        WireAdapter adapter;
        std::optional<bool> ethernet;  // known from the last listing
        bool keep = false;
        ProbeOutcome probed;
    };
    std::vector<Candidate> candidates;
    std::vector<Candidate*> toProbe;
    // Only the first 8 adapters are opened, so an interface further down the list gets the plain
    // probe (a small ring, closed at once) rather than a full capture kept for nothing.
    std::size_t mayBeOpened = 0;
    for (pcap_if_t* device = devices; device; device = device->next) {
        if (!device->name) continue;
        const std::string name = device->name;
        if ((device->flags & PCAP_IF_LOOPBACK) != 0 || IsPseudoDeviceName(name)) continue;
        const unsigned index = ::if_nametoindex(device->name);
        Candidate candidate;
        candidate.adapter = WireAdapter{name, device->description ? device->description : "", index};
        candidate.ethernet = verdicts_.Remembered(name, index);
        candidate.keep = !candidate.ethernet && mayBeOpened < kMaxAwaited;
        if (candidate.ethernet.value_or(true)) ++mayBeOpened;
        candidates.push_back(std::move(candidate));
    }
    pcap_freealldevs(devices);
    for (Candidate& candidate : candidates)
        if (!candidate.ethernet) toProbe.push_back(&candidate);
    for (std::size_t first = 0; first < toProbe.size(); first += kProbesAtOnce) {
        const std::size_t end = std::min(toProbe.size(), first + kProbesAtOnce);
        auto probe = [this](Candidate* c) { c->probed = ProbeInterface(c->adapter.name, c->keep, *closer_); };
        std::vector<std::thread> probes;
        for (std::size_t i = first + 1; i < end; ++i) {
            try {
                probes.emplace_back(probe, toProbe[i]);
            } catch (const std::system_error&) {
                probe(toProbe[i]);  // no thread to be had: probed here, one after the other
            }
        }
        probe(toProbe[first]);
        for (std::thread& running : probes) running.join();
    }
    for (Candidate& candidate : candidates) {
        const WireAdapter& adapter = candidate.adapter;
        if (!candidate.ethernet) {
            candidate.ethernet = verdicts_.Note(adapter.name, adapter.index, candidate.probed.verdict);
            if (candidate.probed.kept) spares_[adapter.name] = Spare{adapter.index, candidate.probed.kept};
        }
        if (*candidate.ethernet) adapters.push_back(adapter);
    }
    verdicts_.EndListing();
    return true;
}

void PcapWire::AwaitFrame(std::span<Capture* const> captures, std::uint32_t remainingMs, Clock& clock) {
    std::array<pollfd, kMaxAwaited> waitFor{};
    std::size_t n = 0;
    for (Capture* capture : captures) {
        const auto* ours = dynamic_cast<const PcapCapture*>(capture);
        // A capture that cannot be waited on must still be looked at every millisecond.
        if (!ours || ours->SelectableFd() < 0 || n == waitFor.size()) return Wire::AwaitFrame(captures, remainingMs, clock);
        waitFor[n++] = pollfd{ours->SelectableFd(), POLLIN, 0};
    }
    const int timeout = static_cast<int>(std::min<std::uint32_t>(remainingMs, kMaxBlockMs));
    const int ready = ::poll(waitFor.data(), static_cast<nfds_t>(n), timeout);
    if (ready <= 0) return;
    // An adapter that went away reports an error at once, every time: without a pause the caller
    // would spin through the rest of its wait.
    for (std::size_t i = 0; i < n; ++i) {
        if ((waitFor[i].revents & POLLIN) != 0) return;
    }
    clock.SleepMs(1);
}

bool PcapWire::QueryMac(const WireAdapter& adapter, std::uint8_t mac[6]) {
    return QueryInterfaceMac(adapter.name, mac);
}

std::unique_ptr<Capture> PcapWire::Open(const WireAdapter& adapter, std::span<const BpfInstruction> filter,
                                        OpenFailure& failure, std::string& error) {
    failure = OpenFailure::None;
    error.clear();
    char errorText[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = nullptr;
    bool fromProbe = false;
    const auto spare = spares_.find(adapter.name);
    if (spare != spares_.end()) {
        // Taken only while the interface is the one probed: a re-created one has a new index.
        if (spare->second.index == adapter.index) {
            handle = spare->second.handle;
            fromProbe = true;
        } else {
            closer_->Close(spare->second.handle);
        }
        spares_.erase(spare);
    }
    auto fail = [&](OpenFailure why, const std::string& text) -> std::unique_ptr<Capture> {
        failure = why;
        error = text;
        closer_->Close(handle);
        return nullptr;
    };
    if (!handle) {
        handle = pcap_create(adapter.name.c_str(), errorText);
        if (!handle) {
            failure = IsPermissionText(errorText) ? OpenFailure::Permission : OpenFailure::Other;
            error = errorText;
            return nullptr;
        }
        SetCaptureOptions(handle);
        const int activated = pcap_activate(handle);
        if (activated < 0) {
            const bool denied = activated == PCAP_ERROR_PERM_DENIED || activated == PCAP_ERROR_PROMISC_PERM_DENIED ||
                                IsPermissionText(pcap_geterr(handle));
            return fail(denied ? OpenFailure::Permission : OpenFailure::Other, pcap_geterr(handle));
        }
    }
    if (pcap_datalink(handle) != DLT_EN10MB) return fail(OpenFailure::Other, "not an Ethernet adapter");

    std::vector<bpf_insn> instructions(filter.size());
    for (std::size_t i = 0; i < filter.size(); ++i)
        instructions[i] = bpf_insn{filter[i].code, filter[i].jt, filter[i].jf, filter[i].k};
    bpf_program program{static_cast<u_int>(instructions.size()), instructions.data()};
    if (pcap_setfilter(handle, &program) != 0) return fail(OpenFailure::Other, pcap_geterr(handle));
    // Frames this host sends are never answers; keeping them out saves the exchange loop's polls.
    pcap_setdirection(handle, PCAP_D_IN);
    if (pcap_setnonblock(handle, 1, errorText) != 0) return fail(OpenFailure::Other, errorText);
    auto capture = std::make_unique<PcapCapture>(handle, closer_);
    // A probe's capture has been open since the listing, without the filter at first: like a new
    // one, it gives only what comes from here on.
    if (fromProbe) capture->Discard();
    return capture;
}

}  // namespace zentrel
