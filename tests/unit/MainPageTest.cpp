// The Main page: local device rows, selection, the sort rule and the network type.
#include "ScanFixture.h"
#include "pages/MainList.h"

namespace zentrel::test {
namespace {

class MainPageTest : public ScanFixture {
protected:
    // Three present stations of adapter 0 in slots 0..2 with the given MAC last bytes and rates,
    // and their rows in slot order.
    void PutStations(const std::vector<std::pair<std::uint8_t, double>>& stations) {
        auto& list = views.main.powerlineDevices;
        list.DeleteAllRows();
        for (std::size_t k = 0; k < stations.size(); ++k) {
            auto& e = core->link.tables[0].stations[k];
            e.present = 1;
            std::memcpy(e.stationMac, Mac{0x00, 0xB0, 0x52, 0x00, 0x00, stations[k].first}.data(), 6);
            e.rateValue = stations[k].second;
            list.AppendRow(static_cast<int>(k));
        }
    }
    std::vector<int> RowSlots() const {
        std::vector<int> slots;
        for (const auto& r : views.main.powerlineDevices.rows) slots.push_back(r.itemData);
        return slots;
    }
};

TEST_F(MainPageTest, LocalRowsMapToTheAdapterTheyShow) {
    MakeCore();
    core->link.access.adapterCount = 3;
    core->link.tables[1].localFound = 1;
    core->link.tables[1].network.localTei = 0x0A;
    std::memcpy(core->link.tables[1].localMac, Mac{0x00, 0xB0, 0x52, 0x00, 0x02, 0x01}.data(), 6);
    core->link.adapters[1].localFound = 1;
    FillLocalDeviceList(*core);
    const auto& local = views.main.localDevices;
    ASSERT_EQ(local.RowCount(), 1);
    EXPECT_EQ(local.Cell(0, 0), "0A");
    EXPECT_EQ(local.Cell(0, 1), "00:B0:52:00:02:01");
    EXPECT_TRUE(local.rows[0].selected);
    EXPECT_TRUE(local.rows[0].focused);

    // Row 0 is adapter 1's device: selecting it makes adapter 1 current, not adapter 0.
    SelectLocalDevice(*core);
    EXPECT_EQ(core->mainPage.selectedLocalRow, 0);
    EXPECT_EQ(core->link.currentAdapter, 1);
    EXPECT_EQ(views.main.connection, "Connected");

    core->link.tables[1].localFound = 0;
    core->link.adapters[1].localFound = 0;
    FillLocalDeviceList(*core);
    SelectLocalDevice(*core);
    EXPECT_EQ(local.RowCount(), 0);
    EXPECT_EQ(core->link.currentAdapter, 0);
    EXPECT_EQ(views.main.connection, "No Device Detected");
}

TEST_F(MainPageTest, HeaderClicksFollowTheRememberedDirections) {
    MakeCore();
    core->db.sortColumn = 1;
    core->db.sortAscending = 1;
    PutStations({{0x02, 10}, {0x03, 30}, {0x01, 20}});
    // Column 3 sorts on the quality text; with no wording that is a bar that grows with the rate.
    // The first click on "MAC Address" finds its flag at 0: descending text order; clicking it
    // again reverses. After "TEI" and back, "MAC Address" takes its remembered flag, which
    // alternates with every click on it.
    const struct {
        int column, ascending;
        std::vector<int> slots;  // empty: not checked
    } clicks[] = {{3, 0, {1, 2, 0}}, {3, 1, {0, 2, 1}}, {0, 0, {}}, {3, 1, {0, 2, 1}}, {0, 1, {}}, {3, 0, {1, 2, 0}}};
    for (const auto& k : clicks) {
        OnPowerlineColumnClick(*core, k.column);
        EXPECT_EQ(core->db.sortColumn, k.column);
        EXPECT_EQ(core->db.sortAscending, k.ascending);
        if (!k.slots.empty()) { EXPECT_EQ(RowSlots(), k.slots); }
    }

    // "Speed(Mbps)" (sub-item 1) orders by the MAC text; "Bridged MAC Address" (2) by rate,
    // descending while the flag is 1.
    core->db.sortAscending = 1;
    SortPowerlineList(*core, 1);
    EXPECT_EQ(RowSlots(), (std::vector<int>{2, 0, 1}));
    SortPowerlineList(*core, 2);
    EXPECT_EQ(RowSlots(), (std::vector<int>{1, 2, 0}));
    core->db.sortAscending = 0;
    SortPowerlineList(*core, 2);
    EXPECT_EQ(RowSlots(), (std::vector<int>{0, 2, 1}));
}

// The network type from the network's own NID, whatever name this program last set.
using NetworkTypeTest = ScanFixture;

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
