// The network type from the network's own NID, whatever name this program last set.
#include <gtest/gtest.h>

#include "ScanFixture.h"
#include "pages/ScanCycle.h"

namespace zentrel::test {
namespace {

class NetworkTypeTest : public ScanFixture {};

TEST_F(NetworkTypeTest, NetworkTypeComesFromTheReportedNid) {
    // The NID of "HomePlugAV" is B0F2E695666B03; its last byte carries the security level.
    const struct {
        const char* storedName;
        int lastNidByte;  // -1: no network information yet
        const char* type;
    } cases[] = {{"HomePlugAV", -1, "Public"}, {"MyOwnNet", -1, "Private"}, {"", 0x03, "Public"},
                 {"MyOwnNet", 0x13, "Public"}, {"HomePlugAV", 0x04, "Private"}};
    AddAdapter(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.storedName);
        std::filesystem::remove(dir / "plc.data");
        core.reset();
        MakeCore();
        devices[0].ignoreNetworkInfo = c.lastNidByte < 0 ? 1000 : 0;
        const std::uint8_t nid[7] = {0xB0, 0xF2, 0xE6, 0x95, 0x66, 0x6B, static_cast<std::uint8_t>(c.lastNidByte)};
        std::memcpy(devices[0].info.nid, nid, 7);
        RunScanCycle(*core);
        std::strncpy(core->link.tables[0].networkName, c.storedName, 25);
        ShowNetworkStatus(*core, 7);
        EXPECT_EQ(views.main.networkType, std::string("Network Type: ") + c.type);
    }
}

}  // namespace
}  // namespace zentrel::test
