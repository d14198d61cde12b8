// History list operations: the Delete command's rules, record removal and the sort comparison.
#include "ScanFixture.h"
#include "pages/DiagnosticsPage.h"
#include "pages/HistoryList.h"
#include "pages/MainList.h"
#include "support/Records.h"

namespace zentrel::test {
namespace {

class HistoryListTest : public ScanFixture {
protected:
    void SetUp() override {
        ScanFixture::SetUp();
        MakeCore();
        InitDiagnosticsPage(*core);
    }
    static Mac MacOf(std::uint8_t last) { return {0x00, 0xB0, 0x52, 0x00, 0x00, last}; }
    void PutStation(int slot, const Mac& mac) {
        core->link.tables[0].stations[slot].present = 1;
        std::memcpy(core->link.tables[0].stations[slot].stationMac, mac.data(), 6);
    }
    std::string Labels() const {
        std::string labels;
        for (int i = 0; i < core->db.historyCount; ++i) labels += core->db.history[static_cast<std::size_t>(i)].label;
        return labels;
    }
};

TEST_F(HistoryListTest, DeletingTheSelectedRowRemovesItsRecordAndStation) {
    AddRecord(core->db, MacOf(1), "X");
    AddRecord(core->db, MacOf(2), "Y");
    AddRecord(core->db, MacOf(3), "Z");
    PutStation(0, MacOf(7));
    PutStation(1, MacOf(2));
    PutStation(2, MacOf(8));
    PaintDiagnosticsPage(*core);
    views.diagnostics.history.SelectRow(1);
    EXPECT_TRUE(DeleteSelectedHistory(*core));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Are you sure to delete it?");
    EXPECT_EQ(messages.shown[0].caption, "Attention!");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(Labels(), "XZ");
    const HistoryRecord zero{};
    EXPECT_EQ(std::memcmp(&core->db.history[2], &zero, sizeof zero), 0);
    // Its station goes too (how the table closes up is the station table's own test).
    EXPECT_EQ(FormatMac(core->link.tables[0].stations[1].stationMac), FormatMac(MacOf(8)));
}

TEST_F(HistoryListTest, DeleteRulesAndTheirMessages) {
    const struct {
        const char* name;
        bool select, inPowerlineList, inLocalList, answerNo;
        std::uint8_t macLast;
        std::vector<std::string> texts;
        bool deleted;
    } cases[] = {
        {"no selection", false, false, false, false, 1, {"Please select a List to be deleted."}, false},
        {"shown in the powerline list", true, true, false, false, 1, {"This device is currently active."}, false},
        {"shown in the local list", true, false, true, false, 1, {"This device is currently active."}, false},
        {"answered No", true, false, false, true, 1, {"Are you sure to delete it?"}, false},
        {"empty MAC is never active", true, true, true, false, 0, {"Are you sure to delete it?"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        core->db = DeviceDatabase{};
        messages.shown.clear();
        messages.answers.clear();
        const Mac mac = c.macLast ? MacOf(c.macLast) : Mac{};
        AddRecord(core->db, mac, "A");
        PaintDiagnosticsPage(*core);
        if (c.select) views.diagnostics.history.SelectRow(0);
        auto& powerline = views.main.powerlineDevices;
        powerline.DeleteAllRows();
        if (c.inPowerlineList) powerline.SetCell(powerline.AppendRow(0), 3, FormatMac(mac));
        auto& local = views.main.localDevices;
        local.DeleteAllRows();
        if (c.inLocalList) local.SetCell(local.AppendRow(0), 1, FormatMac(mac));
        if (c.answerNo) messages.answers.push_back(MsgAnswer::No);

        EXPECT_EQ(DeleteSelectedHistory(*core), c.deleted);
        std::vector<std::string> texts;
        for (const auto& m : messages.shown) texts.push_back(m.text);
        EXPECT_EQ(texts, c.texts);
        if (!c.texts.empty() && c.texts[0] != "Are you sure to delete it?") {
            EXPECT_EQ(messages.shown[0].caption, "Zentrel Utility");
            EXPECT_EQ(messages.shown[0].owner, MsgOwner::None);
        }
        EXPECT_EQ(core->db.historyCount, c.deleted ? 0 : 1);
    }
}

TEST_F(HistoryListTest, CompareDeviceRows) {
    PutStation(0, MacOf(1));
    PutStation(1, MacOf(2));
    core->link.tables[0].stations[0].rateValue = 10.0;
    core->link.tables[0].stations[1].rateValue = 20.0;
    AddRecord(core->db, MacOf(1), "B");
    AddRecord(core->db, MacOf(2), "A");
    const struct {
        int a, b, column, ascending, expected;
    } cases[] = {
        {5, 5, 0, 1, 0}, {5, 5, 2, 0, 0},
        // rates 10 and 20
        {0, 1, 2, 0, -1}, {0, 1, 2, 1, 1}, {1, 0, 2, 0, 1}, {1, 0, 2, 1, -1},
        // labels "B" and "A": 1 when the first goes after the second
        {0, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 1, 0, 0, 0}, {1, 0, 0, 0, 1},
        // MAC texts ...:01 and ...:02
        {0, 1, 1, 1, 0}, {1, 0, 1, 1, 1},
        // equal passwords (both empty): ascending says "after" both ways, descending neither
        {0, 1, 4, 1, 1}, {1, 0, 4, 1, 1}, {0, 1, 4, 0, 0},
        // slots out of range compare equal
        {-1, 0, 1, 1, 0}, {0, 40, 1, 1, 0},
    };
    for (const auto& c : cases) {
        core->db.sortAscending = c.ascending;
        EXPECT_EQ(CompareDeviceRows(*core, c.a, c.b, c.column), c.expected)
            << c.a << " " << c.b << " col " << c.column << " asc " << c.ascending;
    }
}

}  // namespace
}  // namespace zentrel::test
