#include "support/TestFrames.h"

#include <algorithm>

namespace zentrel::test {

Bytes EthernetFrame(const Mac& destination, const Mac& source, std::uint16_t etherType, std::size_t length) {
    Bytes f(std::max<std::size_t>(length, 14), 0);
    std::copy(destination.begin(), destination.end(), f.begin());
    std::copy(source.begin(), source.end(), f.begin() + 6);
    f[12] = static_cast<std::uint8_t>(etherType >> 8);
    f[13] = static_cast<std::uint8_t>(etherType);
    return f;
}

Bytes AvFrame(const Mac& destination, const Mac& source, std::uint16_t mmType, std::size_t length) {
    Bytes f = EthernetFrame(destination, source, 0x88E1, std::max<std::size_t>(length, 20));
    f[14] = 0x00;
    f[15] = static_cast<std::uint8_t>(mmType);
    f[16] = static_cast<std::uint8_t>(mmType >> 8);
    f[17] = 0x00;
    f[18] = 0xB0;
    f[19] = 0x52;
    return f;
}

Bytes VersionConfirm(const Mac& destination, const Mac& source, const std::string& version,
                     std::optional<std::size_t> length) {
    Bytes f = AvFrame(destination, source, 0xA001, std::max<std::size_t>(60, 23 + version.size() + 1));
    std::copy(version.begin(), version.end(), f.begin() + 23);
    if (length) f.resize(*length, 0);
    return f;
}

Bytes NetworkInfoConfirm(const Mac& destination, const Mac& source, const NetworkInfo& info,
                         const std::vector<StationRecord>& stations,
                         std::optional<std::uint8_t> countOverride, std::optional<std::size_t> length) {
    Bytes f = AvFrame(destination, source, 0xA039, std::max<std::size_t>(60, 39 + 15 * stations.size()));
    std::copy(std::begin(info.nid), std::end(info.nid), f.begin() + 21);
    f[28] = info.snid;
    f[29] = info.localTei;
    f[30] = info.reserved;
    std::copy(info.ccoMac.begin(), info.ccoMac.end(), f.begin() + 31);
    f[37] = info.ccoTei;
    f[38] = countOverride ? *countOverride : static_cast<std::uint8_t>(stations.size());
    for (std::size_t k = 0; k < stations.size(); ++k) {
        const StationRecord& s = stations[k];
        auto at = f.begin() + static_cast<std::ptrdiff_t>(39 + 15 * k);
        std::copy(s.mac.begin(), s.mac.end(), at);
        at[6] = s.tei;
        std::copy(s.bridgedMac.begin(), s.bridgedMac.end(), at + 7);
        at[13] = s.avgTxRate;
        at[14] = s.avgRxRate;
    }
    if (length) f.resize(*length, 0);
    return f;
}

Bytes SetKeyConfirm(const Mac& destination, const Mac& source, std::uint8_t status, std::size_t length) {
    Bytes f = AvFrame(destination, source, 0xA051, std::max<std::size_t>(length, 21));
    f[20] = status;
    f.resize(length, 0);
    return f;
}

Bytes HomePlug10Frame(const Mac& destination, const Mac& source) {
    Bytes f = EthernetFrame(destination, source, 0x887B, 60);
    f[14] = 0x01;
    f[15] = 0x07;
    return f;
}

}  // namespace zentrel::test
