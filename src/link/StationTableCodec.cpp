#include "link/StationTableCodec.h"

#include "base/ByteReader.h"

namespace zentrel {
namespace {

void EncodeEntry(const StationEntry& e, ByteWriter& w) {
    w.I32(e.present);
    w.Write(e.stationMac, 6);
    w.Write(e.reserved10, sizeof e.reserved10);
    w.U8(static_cast<std::uint8_t>(e.missesTillDrop));
    w.Write(e.reserved61, sizeof e.reserved61);
    w.I32(e.deviceClass);
    w.Write(e.reserved68, sizeof e.reserved68);
    w.I32(e.dropCount);
    w.Write(e.reserved316, sizeof e.reserved316);
    w.F64(e.rateValue);
    w.Write(e.reserved336, sizeof e.reserved336);
    w.U8(e.listed);
    w.Write(e.reserved353, sizeof e.reserved353);
    w.Write(e.bridgedMac, 6);
    w.U8(e.tei);
    w.U8(e.avgTxRate);
    w.U8(e.avgRxRate);
    w.Write(e.reserved369, sizeof e.reserved369);
}

bool DecodeEntry(ByteReader& r, StationEntry& e) {
    std::uint8_t misses = 0;
    bool ok = r.I32(e.present) && r.Read(e.stationMac, 6) && r.Read(e.reserved10, sizeof e.reserved10) &&
              r.U8(misses) && r.Read(e.reserved61, sizeof e.reserved61) && r.I32(e.deviceClass) &&
              r.Read(e.reserved68, sizeof e.reserved68) && r.I32(e.dropCount) &&
              r.Read(e.reserved316, sizeof e.reserved316) && r.F64(e.rateValue) &&
              r.Read(e.reserved336, sizeof e.reserved336) && r.U8(e.listed) &&
              r.Read(e.reserved353, sizeof e.reserved353) && r.Read(e.bridgedMac, 6) && r.U8(e.tei) &&
              r.U8(e.avgTxRate) && r.U8(e.avgRxRate) && r.Read(e.reserved369, sizeof e.reserved369);
    e.missesTillDrop = static_cast<std::int8_t>(misses);
    return ok;
}

void EncodeTable(const StationTable& t, ByteWriter& w) {
    w.Write(t.hostMac, 6);
    w.Write(t.networkName, sizeof t.networkName);
    w.I32(t.localFound);
    w.I32(t.localAux);
    w.Write(t.localMac, 6);
    w.Write(t.reserved46, sizeof t.reserved46);
    for (const auto& e : t.stations) EncodeEntry(e, w);
    w.I32(t.readCount);
    w.I32(t.readBytes);
    w.I32(t.writeCount);
    w.I32(t.writeBytes);
    w.Write(t.reserved12120, sizeof t.reserved12120);
    w.I32(t.stationCount);
    w.Write(t.network.nid, 7);
    w.U8(t.network.snid);
    w.U8(t.network.localTei);
    w.U8(t.network.reserved);
    w.Write(t.network.ccoMac, 6);
    w.U8(t.network.ccoTei);
    w.Write(t.reserved12181, sizeof t.reserved12181);
}

bool DecodeTable(ByteReader& r, StationTable& t) {
    if (!(r.Read(t.hostMac, 6) && r.Read(t.networkName, sizeof t.networkName) && r.I32(t.localFound) &&
          r.I32(t.localAux) && r.Read(t.localMac, 6) && r.Read(t.reserved46, sizeof t.reserved46)))
        return false;
    for (auto& e : t.stations) {
        if (!DecodeEntry(r, e)) return false;
    }
    return r.I32(t.readCount) && r.I32(t.readBytes) && r.I32(t.writeCount) && r.I32(t.writeBytes) &&
           r.Read(t.reserved12120, sizeof t.reserved12120) && r.I32(t.stationCount) && r.Read(t.network.nid, 7) &&
           r.U8(t.network.snid) && r.U8(t.network.localTei) && r.U8(t.network.reserved) && r.Read(t.network.ccoMac, 6) &&
           r.U8(t.network.ccoTei) && r.Read(t.reserved12181, sizeof t.reserved12181);
}

}  // namespace

void EncodeStationTables(const StationTables& tables, std::vector<std::uint8_t>& out) {
    out.reserve(out.size() + kStationBlockBytes);
    ByteWriter w(out);
    for (const auto& t : tables) EncodeTable(t, w);
}

bool DecodeStationTables(std::span<const std::uint8_t> bytes, StationTables& tables) {
    if (bytes.size() != kStationBlockBytes) return false;
    ByteReader r(bytes);
    StationTables decoded{};
    for (auto& t : decoded) {
        if (!DecodeTable(r, t)) return false;
    }
    tables = decoded;
    return true;
}

}  // namespace zentrel
