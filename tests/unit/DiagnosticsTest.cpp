// The diagnostics report in both targets, the host information lines, the page's commands and
// scan.log (written only above debug level 2, one flushed block per call).
#include <sys/stat.h>

#include <fstream>
#include <regex>

#include "ScanFixture.h"
#include "pages/DiagnosticsPage.h"
#include "report/HostInfo.h"
#include "report/ScanLog.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

// The first four host lines name this machine: keep their labels only.
std::string MaskHostLines(const std::string& text) {
    static const std::regex host("^(Computer name|User name|Microprocessor|OS Platform): .*$", std::regex::multiline);
    return std::regex_replace(text, host, "$1: *");
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class DiagnosticsTest : public ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        setenv("TZ", "UTC", 1);
        tzset();
        MakeCore();
        core->link.captureLibraryVersion = "libpcap version 1.10.3";
        core->prefs.use12HourClock = 1;
    }

    // Two adapters, the first with a local device; a history of two records; one station row
    // that the history does not hold yet.
    void TwoAdapters() {
        core->link.access.adapterCount = 2;
        for (std::uint8_t n = 0; n < 2; ++n) std::memcpy(core->link.access.slots[n].hostMac, Mac{2, 0, 0, 0, 0, std::uint8_t(n + 1)}.data(), 6);
        auto& t0 = core->link.tables[0];
        t0.localFound = 1;
        t0.network.localTei = 0x0A;
        std::memcpy(t0.localMac, Mac{0x00, 0xB0, 0x52, 0x00, 0x01, 0x01}.data(), 6);
        std::snprintf(core->link.adapters[0].firmwareVersion, 100, "%s", "FW-1.2.3");
        t0.readCount = 5;
        t0.readBytes = 2048;
        t0.writeCount = -1;
        t0.writeBytes = static_cast<std::int32_t>(0xFFFFFC00u);

        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x11, 0x00, 0x01}, "Device 1", "secret", 1700000000 - 13 * 3600, 44);
        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x11, 0x00, 0x02}, "02", "", 1700000000 - 22 * 3600 + 600, 100);
        auto& list = views.main.powerlineDevices;
        const int r = list.AppendRow(0);
        const char* row[] = {"03", "300", "02:AA:00:00:00:09", "00:B0:52:11:00:09", "pass-word"};
        for (int c = 0; c < 5; ++c) list.SetCell(r, c, row[c]);
    }

    std::string Report() {
        const auto path = dir / "report.txt";
        EXPECT_TRUE(SaveReport(*core, path));
        return ReadFile(path);
    }
};

TEST_F(DiagnosticsTest, ReportMatchesTheGoldenLayout) {
    TwoAdapters();
    EXPECT_EQ(MaskHostLines(Report()), MaskHostLines(ReadFile(ZENTREL_TEST_DATA "/diagnostics_report.txt")));
}

TEST_F(DiagnosticsTest, PageModeFillsBothLists) {
    TwoAdapters();
    InitDiagnosticsPage(*core);
    ActivateDiagnosticsPage(*core);
    EXPECT_EQ(core->scan.autoRefreshOff, 1);
    const auto& info = views.diagnostics.systemInformation;
    ASSERT_EQ(info.RowCount(), 7 + 7);
    EXPECT_EQ(info.Cell(0, 0), "On NIC #1 MAC = 02:00:00:00:00:01");
    EXPECT_EQ(info.Cell(4, 0), "On NIC #2 MAC = 02:00:00:00:00:02");
    EXPECT_EQ(info.Cell(12, 0), "Zentrel Utility   3.0.91231");
    const auto& history = views.diagnostics.history;
    ASSERT_EQ(history.RowCount(), 4);
    const char* row0[] = {"Device 1", "00:B0:52:11:00:01", "secret", "44         ", "Nov 14 09:13 AM"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(history.Cell(0, c), row0[c]) << c;
    EXPECT_EQ(history.Cell(1, 2), std::string(19, ' '));
    EXPECT_EQ(history.Cell(3, 3), "local device");
    // Regenerating rebuilds the lists rather than adding to them.
    PaintDiagnosticsPage(*core);
    EXPECT_EQ(info.RowCount(), 14);
    EXPECT_EQ(history.RowCount(), 4);
    DeactivateDiagnosticsPage(*core);
    EXPECT_EQ(core->scan.autoRefreshOff, 0);
}

// The report holds device passwords: owner-only from its first byte, also when it replaces a
// file that others could read, and whatever the umask.
TEST_F(DiagnosticsTest, SavedReportIsOwnerOnly) {
    TwoAdapters();
    const auto path = dir / "report.txt";
    const mode_t before = ::umask(0);
    for (const bool existing : {false, true}) {
        if (existing) {
            std::ofstream(path) << "old";
            ::chmod(path.c_str(), 0644);
        }
        EXPECT_TRUE(SaveReport(*core, path));
        EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << (existing ? "replacing a file" : "new file");
        EXPECT_EQ(ReadFile(path).rfind("Diagnostics Report:", 0), 0u);
    }
    ::umask(before);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // plc.data, report.txt
}

TEST(HostInfo, SevenLinesInTheirFormats) {
    const HostFacts facts{std::string(200, 'c'), "", "x86_64", "Debian GNU/Linux 12 (bookworm)", "6.1.0"};
    const auto lines = FormatHostInformation(facts, "Zentrel Utility", "libpcap version 1.10.3");
    EXPECT_EQ(lines[0], "Computer name: " + std::string(79, 'c'));
    EXPECT_EQ(lines[1], "User name: ");
    EXPECT_EQ(lines[4], " ");
    EXPECT_EQ(lines[5], "Zentrel Utility   3.0.91231");
    EXPECT_EQ(lines[6], "Library: libpcap.so    libpcap version 1.10.3");
    EXPECT_EQ(FormatHostInformation(facts, "T", "")[6], "Library: libpcap.so    not present");
    EXPECT_EQ(FormatHostInformation(facts, std::string(300, 't'), "")[5].size(), kHostLineMax);
    // On this machine every fact can be read.
    const HostFacts here = ReadHostFacts();
    EXPECT_FALSE(here.machine.empty());
    EXPECT_FALSE(here.kernelRelease.empty());
    EXPECT_FALSE(here.osName.empty());
}

class ScanLogTest : public DiagnosticsTest {
protected:
    void SetUp() override {
        DiagnosticsTest::SetUp();
        core->prefs.debugLevel = 3;
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
};

const char kBlock[] =
    "NIC #0:\t02:00:00:00:00:01\tPresent=1\n"
    "\t00:B0:52:11:00:01\t1\t2\n"
    "\t00:B0:52:11:00:02\t0\t0\n"
    "\t00:B0:52:11:00:03\t1\t-1\n"
    "\n"
    "NIC #1:\t02:00:00:00:00:02\tPresent=0\n";

TEST_F(ScanLogTest, DateHeaderThenOneFlushedBlockPerCycle) {
    LogScanIfEnabled(*core);
    // Readable before the program ends: each block is flushed.
    const std::string header = "Tue Nov 14 22:13:21 2023\n\tdevice\t\t\tpresent\tmisseTillDrop\n\n";
    EXPECT_EQ(ReadFile(dir / "scan.log"), header + kBlock);
    LogScanIfEnabled(*core);
    EXPECT_EQ(ReadFile(dir / "scan.log"), header + kBlock + kBlock);
}

TEST_F(ScanLogTest, AnUnwritableLogIsTriedAgainNextTime) {
    std::filesystem::create_directory(dir / "scan.log");  // a directory cannot be opened for writing
    LogScanIfEnabled(*core);
    EXPECT_EQ(core->scanLogFile, nullptr);
    std::filesystem::remove(dir / "scan.log");
    LogScanIfEnabled(*core);
    EXPECT_NE(core->scanLogFile, nullptr);
}

}  // namespace
}  // namespace zentrel::test
