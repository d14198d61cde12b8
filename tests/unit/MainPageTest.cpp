// The Main page's list operations: columns, local device rows, selection and the sort rule.
#include <gtest/gtest.h>

#include <cstring>

#include "ScanFixture.h"
#include "pages/HistoryList.h"
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
            const std::uint8_t mac[6] = {0x00, 0xB0, 0x52, 0x00, 0x00, stations[k].first};
            std::memcpy(e.stationMac, mac, 6);
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

TEST_F(MainPageTest, ColorFromCode) {
    const std::pair<int, unsigned> cases[] = {
        {-3, 0x000000}, {0, 0x000000},     {1, 0x008000},     {2, 0xFF0000},
        {3, 0x0000FF},  {4, 0x606060},     {5, 5},            {0x123456, 0x123456},
    };
    for (const auto& [code, color] : cases) EXPECT_EQ(ColorFromCode(code), color) << code;
}

TEST_F(MainPageTest, ListsAreMadeOnceWithTheirColumnsAndStyles) {
    MakeCore();
    core->prefs.showIcons = 0;
    core->prefs.listTextColor = 3;
    SetupPowerlineDeviceList(*core);  // a second call adds no columns
    const auto& list = views.main.powerlineDevices;
    ASSERT_EQ(list.columns.size(), 5u);
    EXPECT_EQ(list.columnOrder, (std::vector<int>{0, 4, 3, 2, 1}));
    const std::pair<const char*, int> columns[] = {
        {"TEI", 35}, {"Speed(Mbps)", 100}, {"Bridged MAC Address", 130}, {"MAC Address", 120}, {"Password", 150}};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(list.columns[k].header, columns[k].first);
        EXPECT_EQ(list.columns[k].width, columns[k].second);
    }
    EXPECT_TRUE(list.gridLines);
    EXPECT_EQ(list.textColor, 0x0000FFu);

    const auto& local = views.main.localDevices;
    ASSERT_EQ(local.columns.size(), 2u);
    EXPECT_EQ(local.columns[1].header, "MAC Address");
    EXPECT_EQ(local.columns[1].width, 115);
    EXPECT_EQ(local.textColor, 0x880011u);

    views.diagnostics.history.present = true;
    views.diagnostics.systemInformation.present = true;
    SetupHistoryLists(*core);
    SetupHistoryLists(*core);
    ASSERT_EQ(views.diagnostics.history.columns.size(), 5u);
    EXPECT_EQ(views.diagnostics.history.columns[4].header, "Last Seen");
    EXPECT_EQ(views.diagnostics.history.columns[3].width, 120);
    ASSERT_EQ(views.diagnostics.systemInformation.columns.size(), 1u);
    EXPECT_EQ(views.diagnostics.systemInformation.columns[0].width, 520);
}

TEST_F(MainPageTest, MissingListsAreLeftAlone) {
    core = std::make_unique<Core>(wire, messages, views, clock, &timer, dir);
    SetupPowerlineDeviceList(*core);
    SetupLocalDeviceList(*core);
    FillLocalDeviceList(*core);
    EXPECT_TRUE(views.main.powerlineDevices.columns.empty());
    EXPECT_TRUE(views.main.localDevices.columns.empty());
}

TEST_F(MainPageTest, LocalRowsMapToTheAdapterTheyShow) {
    MakeCore();
    core->link.access.adapterCount = 3;
    const std::uint8_t mac[6] = {0x00, 0xB0, 0x52, 0x00, 0x02, 0x01};
    core->link.tables[1].localFound = 1;
    core->link.tables[1].localTei = 0x0A;
    std::memcpy(core->link.tables[1].localMac, mac, 6);
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
    // First click on "MAC Address": its flag starts at 0, so descending text order.
    OnPowerlineColumnClick(*core, 3);
    EXPECT_EQ(core->db.sortColumn, 3);
    EXPECT_EQ(core->db.sortAscending, 0);
    EXPECT_EQ(RowSlots(), (std::vector<int>{1, 2, 0}));
    // Clicking it again reverses.
    OnPowerlineColumnClick(*core, 3);
    EXPECT_EQ(core->db.sortAscending, 1);
    EXPECT_EQ(RowSlots(), (std::vector<int>{0, 2, 1}));
    // "TEI" and back: "MAC Address" now takes its remembered flag, which alternated to 1.
    OnPowerlineColumnClick(*core, 0);
    EXPECT_EQ(core->db.sortAscending, 0);
    OnPowerlineColumnClick(*core, 3);
    EXPECT_EQ(core->db.sortAscending, 1);
    EXPECT_EQ(RowSlots(), (std::vector<int>{0, 2, 1}));
    OnPowerlineColumnClick(*core, 0);
    EXPECT_EQ(core->db.sortAscending, 1);
    OnPowerlineColumnClick(*core, 3);
    EXPECT_EQ(core->db.sortAscending, 0);

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

TEST_F(MainPageTest, EqualKeysKeepSlotOrder) {
    MakeCore();
    PutStations({{0x05, 10}, {0x06, 10}, {0x07, 10}});
    for (int ascending : {0, 1}) {
        core->db.sortAscending = ascending;
        for (int column : {0, 2, 3, 4}) {
            SortPowerlineList(*core, column);
            EXPECT_EQ(RowSlots(), (std::vector<int>{0, 1, 2})) << column;
        }
    }
}

}  // namespace
}  // namespace zentrel::test
