#include "link/AdapterAccess.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/MacAddress.h"
#include "base/ProgramPath.h"
#include "link/Link.h"

namespace zentrel {

const std::array<BpfInstruction, 7> kHomePlugFilter = {{
    {0x28, 0, 0, 12},          // ldh [12]: ethertype
    {0x15, 0, 1, 0x887B},      // HomePlug 1.0?
    {0x06, 0, 0, 0xFFFFFFFF},  // accept the whole frame
    {0x28, 0, 0, 12},          // ldh [12]
    {0x15, 0, 1, 0x88E1},      // HomePlug AV?
    {0x06, 0, 0, 0xFFFFFFFF},  // accept the whole frame
    {0x06, 0, 0, 0},           // drop
}};

namespace {

constexpr std::size_t kMinFrameBytes = 60;
constexpr std::size_t kMaxFrameBytes = 1514;

bool ValidIndex(int adapter) {
    return adapter >= 0 && adapter < kMaxAdapters;
}

std::string PermissionNoticeText() {
    // Where the system cannot tell, the text names the program generically.
    const std::filesystem::path path = ProgramPath();
    const std::string program = path.empty() ? "<path of this program>" : path.string();
    return "Cannot open the network adapters for raw Ethernet: this program lacks the CAP_NET_RAW "
           "capability, so no powerline device can be found. Grant it once with\n"
           "  sudo setcap cap_net_raw+ep " +
           program + "\nor run the command with sudo.";
}

}  // namespace

bool EnumerateAdapters(Link& link) {
    AdapterAccessState& s = link.access;
    s.deviceList.clear();
    s.deviceListHeld = false;
    s.adapterCount = 0;
    s.received.clear();
    s.receivedHeld = false;
    for (auto& slot : s.slots) {
        slot.handle.reset();
        std::memset(slot.hostMac, 0, sizeof slot.hostMac);
    }

    std::vector<WireAdapter> list;
    if (!link.wire.ListAdapters(list)) return false;
    s.deviceList = std::move(list);
    s.deviceListHeld = true;

    const std::size_t taken = std::min<std::size_t>(s.deviceList.size(), kMaxAdapters);
    for (std::size_t i = 0; i < taken; ++i) {
        CaptureSlot& slot = s.slots[static_cast<std::size_t>(s.adapterCount)];
        std::uint8_t mac[6] = {};
        // A failed query still counts the adapter, with an all-zero address.
        if (link.wire.QueryMac(s.deviceList[i], mac)) std::memcpy(slot.hostMac, mac, 6);
        ++s.adapterCount;
    }
    return true;
}

bool RelistAdapters(Link& link) {
    AdapterAccessState& s = link.access;
    std::vector<WireAdapter> before;
    if (s.deviceListHeld) before = s.deviceList;
    std::array<std::unique_ptr<Capture>, kMaxAdapters> open;
    for (std::size_t i = 0; i < open.size(); ++i) open[i] = std::move(s.slots[i].handle);
    const bool listed = EnumerateAdapters(link);
    if (!listed) return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(s.adapterCount) && i < before.size(); ++i) {
        const WireAdapter& now = s.deviceList[i];
        if (!open[i] || before[i].name != now.name || before[i].index != now.index) continue;
        open[i]->Discard();
        s.slots[i].handle = std::move(open[i]);
    }
    return true;  // the captures not kept close here
}

bool OpenCapture(Link& link, int adapter) {
    if (!ValidIndex(adapter)) return false;
    AdapterAccessState& s = link.access;
    CaptureSlot& slot = s.slots[static_cast<std::size_t>(adapter)];
    if (slot.handle) return true;
    if (adapter >= s.adapterCount || static_cast<std::size_t>(adapter) >= s.deviceList.size()) {
        CloseCapture(link, adapter);
        return false;
    }
    OpenFailure failure = OpenFailure::None;
    std::string error;
    slot.handle =
        link.wire.Open(s.deviceList[static_cast<std::size_t>(adapter)], kHomePlugFilter, failure, error);
    if (!slot.handle) {
        CloseCapture(link, adapter);
        if (failure == OpenFailure::Permission && !s.permissionNoticeGiven) {
            s.permissionNoticeGiven = true;
            if (link.events) link.events->PermissionNotice(PermissionNoticeText());
        }
        return false;
    }
    return true;
}

bool CloseCapture(Link& link, int adapter) {
    if (ValidIndex(adapter)) link.access.slots[static_cast<std::size_t>(adapter)].handle.reset();
    return true;
}

void DropHeldFrames(Link& link) {
    link.access.received.clear();
    link.access.receivedHeld = false;
    link.prefetched.reset();
}

bool CloseAllCaptures(Link& link) {
    AdapterAccessState& s = link.access;
    DropHeldFrames(link);
    for (int i = 0; i < kMaxAdapters; ++i) CloseCapture(link, i);
    if (s.deviceListHeld) {
        s.deviceList.clear();
        s.deviceListHeld = false;
    }
    return true;
}

bool SendFrame(Link& link, int adapter, const std::uint8_t* frame, std::size_t length) {
    // The full length decides: a huge length must not wrap into a small, "valid" one.
    if (length > kMaxFrameBytes) return false;
    if (!ValidIndex(adapter)) return false;
    Capture* capture = link.access.slots[static_cast<std::size_t>(adapter)].handle.get();
    if (!capture) return false;
    if (length > 0 && !frame) return false;
    if (length < kMinFrameBytes) {
        std::uint8_t padded[kMinFrameBytes] = {};
        if (length) std::memcpy(padded, frame, length);
        return capture->Send(padded, kMinFrameBytes);
    }
    return capture->Send(frame, length);
}

namespace {

std::optional<std::span<const std::uint8_t>> TakeFrame(Link& link, int adapter, bool wait) {
    if (!ValidIndex(adapter)) return std::nullopt;
    AdapterAccessState& s = link.access;
    Capture* capture = s.slots[static_cast<std::size_t>(adapter)].handle.get();
    if (!capture) return std::nullopt;
    std::vector<std::uint8_t> frame;
    if ((wait ? capture->Fetch(frame) : capture->Poll(frame)) <= 0) return std::nullopt;
    s.received = std::move(frame);
    s.receivedHeld = true;
    return std::span<const std::uint8_t>(s.received.data(), s.received.size());
}

}  // namespace

std::optional<std::span<const std::uint8_t>> ReceiveFrame(Link& link, int adapter) {
    return TakeFrame(link, adapter, true);
}

std::optional<std::span<const std::uint8_t>> PollFrame(Link& link, int adapter) {
    return TakeFrame(link, adapter, false);
}

}  // namespace zentrel
