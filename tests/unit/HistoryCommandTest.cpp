#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

#include "RegistryFixture.h"
#include "support/Records.h"
#include "base/ByteReader.h"
#include "pages/Storage.h"
#include "registry/Database.h"

using namespace zentrel;
using namespace zentrel::test;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

class HistoryCommandTest : public RegistryTest {
protected:
    Result Run(const std::string& args) {
        const std::string errFile = (dir / "stderr.txt").string();
        const std::string cmd = "cd '" + dir.string() + "' && TZ=UTC '" ZENTREL_CLI "' history " + args + " 2>'" + errFile + "'";
        Result r;
        std::FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int st = ::pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        std::ifstream e(errFile);
        r.err.assign(std::istreambuf_iterator<char>(e), {});
        std::filesystem::remove(errFile);
        return r;
    }

    // OEMPrefs.dat with the 24-hour clock (every other field zero).
    void Use24HourClock() {
        std::vector<std::uint8_t> prefs(kOemPrefsBytes, 0);
        WriteBytes(kOemPrefsFile, prefs);
    }

    void WriteHistory() {
        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01}, "0A", "", 1700000000, 0xFF).localMark = 0xFF;
        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x00, 0x00, 0x02}, "Device \"2\"\t", "PASS\\WORD-\x01\xE9", 1700003600, 44);
        SaveDatabase(*core);
    }
};

TEST_F(HistoryCommandTest, PrintsTheHistoryTheProgramSaved) {
    WriteHistory();
    const auto r = Run("");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Default preferences: 12-hour clock; 22:13 UTC is 10:13 PM.
    EXPECT_EQ(r.out,
              "TEI\tMAC Address\tPassword\tSpeed(Mbps)\tLast Seen\n"
              "0A\t00:B0:52:00:00:01\t\tlocal device\tNov 14 10:13 PM\n"
              "Device \"2\"\t\t00:B0:52:00:00:02\tPASS\\WORD-\x01\xC3\xA9\t44\tNov 14 11:13 PM\n");

    Use24HourClock();
    const auto r24 = Run("");
    EXPECT_NE(r24.out.find("local device\tNov 14 22:13\n"), std::string::npos) << r24.out;
}

TEST_F(HistoryCommandTest, JsonEscapesEveryString) {
    WriteHistory();
    const auto r = Run("--json");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"schemaVersion\":1,\"devices\":[\n"
              " {\"mac\":\"00:B0:52:00:00:01\",\"tei\":null,\"bridgedMac\":null,\"txMbps\":null,\"rxMbps\":null,"
              "\"label\":\"0A\",\"password\":\"\",\"localDevice\":true,\"lastSeen\":\"2023-11-14T22:13:20+00:00\"},\n"
              " {\"mac\":\"00:B0:52:00:00:02\",\"tei\":null,\"bridgedMac\":null,\"txMbps\":44,\"rxMbps\":null,"
              "\"label\":\"Device \\\"2\\\"\\u0009\",\"password\":\"PASS\\\\WORD-\\u0001\xC3\xA9\",\"localDevice\":false,"
              "\"lastSeen\":\"2023-11-14T23:13:20+00:00\"}\n"
              "]}\n");
}

TEST_F(HistoryCommandTest, DamagedFileGivesTheRecoveryMessage) {
    WriteHistory();
    auto bytes = ReadBytes(kDatabaseFile);
    bytes[97480] = 33;
    WriteBytes(kDatabaseFile, bytes);
    auto r = Run("--json");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Problem Occurred: Unexpected condition reading database. Attempting to recover.\n");
    EXPECT_EQ(r.out, "{\"schemaVersion\":1,\"devices\":[]}\n");
    EXPECT_EQ(std::filesystem::file_size(dir / kDatabaseFile), 0u);

    WriteHistory();
    bytes = ReadBytes(kDatabaseFile);
    bytes[0] = 0x31;  // version 305
    bytes[1] = 0x01;
    WriteBytes(kDatabaseFile, bytes);
    r = Run("");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Attention!: Unexpected condition reading database. Attempting to recover. The previous database "
                     "was kept as plc.data.damaged.\n");
}

}  // namespace
