// The `history` command: what it prints from the saved history, and what a damaged file gives.
#include "RegistryFixture.h"
#include "pages/Storage.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

class HistoryCommandTest : public RegistryTest {
protected:
    Result Run(const std::string& args) {
        const int st = std::system(("cd '" + dir.string() + "' && TZ=UTC '" ZENTREL_CLI "' history " + args +
                                    " >out.txt 2>err.txt").c_str());
        Result r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, Text("out.txt"), Text("err.txt")};
        std::filesystem::remove(dir / "out.txt");
        std::filesystem::remove(dir / "err.txt");
        return r;
    }
    std::string Text(const char* name) const {
        const auto bytes = ReadBytes(name);
        return {bytes.begin(), bytes.end()};
    }

    void WriteHistory() {
        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01}, "0A", "", 1700000000, 0xFF).localMark = 0xFF;
        AddRecord(core->db, {0x00, 0xB0, 0x52, 0x00, 0x00, 0x02}, "Device \"2\"\t", "PASS\\WORD-\x01\xE9", 1700003600, 44);
        SaveDatabase(*core);
    }
};

TEST_F(HistoryCommandTest, PrintsTheHistoryTheProgramSavedAsTextAndJson) {
    WriteHistory();
    const auto r = Run("");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Default preferences: 12-hour clock; 22:13 UTC is 10:13 PM.
    EXPECT_EQ(r.out,
              "TEI\tMAC Address\tPassword\tSpeed(Mbps)\tLast Seen\n"
              "0A\t00:B0:52:00:00:01\t\tlocal device\tNov 14 10:13 PM\n"
              "Device \"2\"\t\t00:B0:52:00:00:02\tPASS\\WORD-\x01\xC3\xA9\t44\tNov 14 11:13 PM\n");

    const auto json = Run("--json");  // every string escaped
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"schemaVersion\":1,\"devices\":[\n"
              " {\"mac\":\"00:B0:52:00:00:01\",\"tei\":null,\"bridgedMac\":null,\"txMbps\":null,\"rxMbps\":null,"
              "\"label\":\"0A\",\"password\":\"\",\"localDevice\":true,\"lastSeen\":\"2023-11-14T22:13:20+00:00\"},\n"
              " {\"mac\":\"00:B0:52:00:00:02\",\"tei\":null,\"bridgedMac\":null,\"txMbps\":44,\"rxMbps\":null,"
              "\"label\":\"Device \\\"2\\\"\\u0009\",\"password\":\"PASS\\\\WORD-\\u0001\xC3\xA9\",\"localDevice\":false,"
              "\"lastSeen\":\"2023-11-14T23:13:20+00:00\"}\n"
              "]}\n");

    WriteBytes(kOemPrefsFile, std::vector<std::uint8_t>(kOemPrefsBytes, 0));  // the 24-hour clock
    const auto r24 = Run("");
    EXPECT_NE(r24.out.find("local device\tNov 14 22:13\n"), std::string::npos) << r24.out;
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
}  // namespace zentrel::test
