// scan.log: written only above debug level 2, one flushed block per call.
#include <fstream>

#include "ScanFixture.h"
#include "report/ScanLog.h"

namespace zentrel::test {
namespace {

class ScanLogTest : public ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        core = std::make_unique<Core>(wire, messages, views, clock, &timer, dir);
        core->link.access.adapterCount = 2;
        auto& t0 = core->link.tables[0];
        const Mac host0{0x02, 0, 0, 0, 0, 0x01};
        std::memcpy(t0.hostMac, host0.data(), 6);
        std::memcpy(core->link.tables[1].hostMac, Mac{0x02, 0, 0, 0, 0, 0x02}.data(), 6);
        t0.localFound = 1;
        Put(0, 0x01, 1, 2);
        Put(3, 0x02, 0, 0);    // dropped
        Put(7, 0x03, 1, -1);   // the byte 0xFF
        // A slot without a MAC is not listed.
        t0.stations[9].present = 1;
        // Stations of an adapter without a local device are not listed either.
        std::memcpy(core->link.tables[1].stations[0].stationMac, host0.data(), 6);
    }
    void Put(int slot, std::uint8_t last, int present, int misses) {
        auto& e = core->link.tables[0].stations[slot];
        std::memcpy(e.stationMac, Mac{0x00, 0xB0, 0x52, 0x11, 0x00, last}.data(), 6);
        e.present = present;
        e.missesTillDrop = static_cast<std::int8_t>(misses);
    }
    std::string ReadLog() const {
        std::ifstream in(dir / "scan.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

const char kBlock[] =
    "NIC #0:\t02:00:00:00:00:01\tPresent=1\n"
    "\t00:B0:52:11:00:01\t1\t2\n"
    "\t00:B0:52:11:00:02\t0\t0\n"
    "\t00:B0:52:11:00:03\t1\t-1\n"
    "\n"
    "NIC #1:\t02:00:00:00:00:02\tPresent=0\n";

TEST_F(ScanLogTest, DateHeaderThenOneFlushedBlockPerCycle) {
    core->prefs.debugLevel = 3;
    LogScanIfEnabled(*core);
    // Readable before the program ends: each block is flushed.
    const std::string header = "Tue Nov 14 22:13:21 2023\n\tdevice\t\t\tpresent\tmisseTillDrop\n\n";
    EXPECT_EQ(ReadLog(), header + kBlock);
    LogScanIfEnabled(*core);
    EXPECT_EQ(ReadLog(), header + kBlock + kBlock);
}

TEST_F(ScanLogTest, AnUnwritableLogIsTriedAgainNextTime) {
    std::filesystem::create_directory(dir / "scan.log");  // a directory cannot be opened for writing
    core->prefs.debugLevel = 3;
    LogScanIfEnabled(*core);
    EXPECT_EQ(core->scanLogFile, nullptr);
    std::filesystem::remove(dir / "scan.log");
    LogScanIfEnabled(*core);
    EXPECT_NE(core->scanLogFile, nullptr);
}

}  // namespace
}  // namespace zentrel::test
