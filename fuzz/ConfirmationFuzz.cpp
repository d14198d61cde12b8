// Received frames through the confirmation decoders.
//
// Input: two bytes that once chose the handler's state (kept so that the seeds stay valid), then
// frames, each a two-byte header (the low three bits of the first byte and the second byte: the
// length) and that many bytes; the last frame takes whatever is left. Each frame reaches the
// decoders in an allocation of exactly its length, so a read past its end is caught.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "link/ConfirmationCodec.h"
#include "link/Frames.h"

namespace {

using namespace zentrel;

void CheckFrame(const std::vector<std::uint8_t>& frame) {
    const FrameBytes bytes(frame.data(), frame.size());
    const auto type = ManagementType(bytes);
    const auto version = DecodeVersionConfirmation(bytes);
    const auto info = DecodeNetworkInformation(bytes);
    const auto status = DecodeSetKeyStatus(bytes);
    // A frame is at most one kind of confirmation, and only a management frame of our family is one.
    ZENTREL_FUZZ_CHECK(int(version.has_value()) + int(info.has_value()) + int(status.has_value()) <= 1);
    if (version || info || status) ZENTREL_FUZZ_CHECK(type && FromOurFamily(bytes));
    if (version) {
        ZENTREL_FUZZ_CHECK(*type == kMmVersionConfirm);
        ZENTREL_FUZZ_CHECK(version->firmware.size() <= 99);
        ZENTREL_FUZZ_CHECK(version->firmware.find('\0') == std::string::npos);
        ZENTREL_FUZZ_CHECK(std::memcmp(version->source, frame.data() + 6, 6) == 0);
    }
    if (info) {
        ZENTREL_FUZZ_CHECK(*type == kMmNetworkInfoConfirm);
        ZENTREL_FUZZ_CHECK(info->stations.size() <= 32 && info->stations.size() <= frame[38]);
        // Every station decoded lies wholly inside the frame.
        ZENTREL_FUZZ_CHECK(39 + 15 * info->stations.size() <= frame.size());
        if (!info->stations.empty())
            ZENTREL_FUZZ_CHECK(std::memcmp(info->stations.back().mac, frame.data() + 39 + 15 * (info->stations.size() - 1), 6) == 0);
    }
    if (status) ZENTREL_FUZZ_CHECK(*type == kMmSetKeyConfirm && *status == frame[20]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t pos = 2;
    while (pos < size) {
        std::size_t length = size - pos;
        if (size - pos >= 2) {
            length = (static_cast<std::size_t>(data[pos] & 7) << 8) | data[pos + 1];
            pos += 2;
        }
        length = std::min(length, size - pos);
        CheckFrame(std::vector<std::uint8_t>(data + pos, data + pos + length));
        pos += length;
    }
    return 0;
}
