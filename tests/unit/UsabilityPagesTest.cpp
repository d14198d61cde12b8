// What a new user meets on the pages: the selected station across scans, the network type from
// the network's own NID, the network-name rule in Add Remote and the format box's caption.
#include <gtest/gtest.h>

#include "KeyChangeFixture.h"
#include "ScanFixture.h"
#include "pages/PasswordDialogs.h"
#include "pages/ScanCycle.h"

namespace zentrel::test {
namespace {

const std::uint8_t kDefaultNid[7] = {0xB0, 0xF2, 0xE6, 0x95, 0x66, 0x6B, 0x03};  // of "HomePlugAV"

class UsabilityScanTest : public ScanFixture {};

TEST_F(UsabilityScanTest, SelectionFollowsItsStationAcrossScans) {
    AddAdapter(true, {Station(2, 2, 50), Station(3, 3, 90)});
    MakeCore();
    RunScanCycle(*core);
    ListModel& list = views.main.powerlineDevices;
    ASSERT_EQ(list.RowCount(), 2);
    const int row = list.Cell(0, 3) == "00:B0:52:11:00:02" ? 0 : 1;
    list.SelectRow(row);
    devices[0].stations = {Station(4, 4, 99), Station(3, 3, 90), Station(2, 2, 50)};  // rows move
    RunScanCycle(*core);
    ASSERT_EQ(list.RowCount(), 3);
    ASSERT_GE(list.GetSelectedRow(), 0);
    EXPECT_EQ(list.Cell(list.GetSelectedRow(), 3), "00:B0:52:11:00:02");
    devices[0].stations = {Station(3, 3, 90)};  // the selected station leaves
    for (int i = 0; i < 8; ++i) RunScanCycle(*core);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.GetSelectedRow(), -1);
}

TEST_F(UsabilityScanTest, NetworkTypeComesFromTheReportedNid) {
    struct Case {
        const char* storedName;
        const std::uint8_t* nid;  // null: the device reports no network information
        std::uint8_t securityLevel;
        const char* type;
    } cases[] = {
        {"HomePlugAV", nullptr, 0, "Network Type: Public"},  // nothing known yet: the stored name
        {"MyOwnNet", nullptr, 0, "Network Type: Private"},
        {"", kDefaultNid, 0, "Network Type: Public"},          // a fresh directory
        {"MyOwnNet", kDefaultNid, 0, "Network Type: Public"},  // the device was reset
        {"MyOwnNet", kDefaultNid, 1, "Network Type: Public"},  // any security level
        {"HomePlugAV", nullptr, 0, "Network Type: Public"},
    };
    const std::uint8_t privateNid[7] = {0xB0, 0xF2, 0xE6, 0x95, 0x66, 0x6B, 0x04};
    AddAdapter(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.storedName);
        core.reset();
        MakeCore();
        devices[0].ignoreNetworkInfo = c.nid ? 0 : 1000;
        if (c.nid) std::memcpy(devices[0].info.nid, c.nid, 7);
        devices[0].info.nid[6] = static_cast<std::uint8_t>(devices[0].info.nid[6] | (c.securityLevel << 4));
        RunScanCycle(*core);
        std::strncpy(core->link.tables[0].networkName, c.storedName, sizeof core->link.tables[0].networkName - 1);
        ShowNetworkStatus(*core, 7);
        EXPECT_EQ(views.main.networkType, c.type);
    }
    // A private network whatever name this program last set.
    std::memcpy(devices[0].info.nid, privateNid, 7);
    devices[0].ignoreNetworkInfo = 0;
    RunScanCycle(*core);
    std::strcpy(core->link.tables[0].networkName, "HomePlugAV");
    ShowNetworkStatus(*core, 7);
    EXPECT_EQ(views.main.networkType, "Network Type: Private");
}

class UsabilityDialogTest : public KeyChangeFixture {};

TEST_F(UsabilityDialogTest, AddRemoteHoldsTheNameToTheNetworkNameRule) {
    const std::string invalid =
        "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters";
    const struct {
        std::string name;
        bool sent;
    } cases[] = {{"abc", false}, {"abcd", true}, {std::string(24, 'n'), true}, {std::string(25, 'n'), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenAddRemoteDialog(*core);
        requests.clear();
        messages.shown.clear();
        views.SetFieldText(Form::AddRemote, kAddRemoteNameField, c.name);
        views.SetFieldText(Form::AddRemote, kPasswordField, "abcd-efgh");
        const AddRemoteOutcome outcome = ConfirmAddRemote(*core);
        EXPECT_EQ(requests.size(), c.sent ? 1u : 0u);
        if (c.sent) continue;
        EXPECT_EQ(outcome, AddRemoteOutcome::StaysOpen);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, invalid);
        EXPECT_EQ(messages.shown[0].caption, "Invalid Entry");
    }
}

TEST_F(UsabilityDialogTest, FormatBoxCarriesTheApplicationTitle) {
    core->prefs.title = "Acme Powerline";
    AddRow("0A", "00:B0:52:00:00:0A", "");
    views.main.powerlineDevices.SelectRow(0);
    ASSERT_TRUE(OpenSetPasswordDialog(*core));
    views.SetFieldText(Form::SetPassword, kPasswordField, "short");
    EXPECT_EQ(ConfirmSetPassword(*core), SetPasswordOutcome::StaysOpen);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Acme Powerline");
}

}  // namespace
}  // namespace zentrel::test
