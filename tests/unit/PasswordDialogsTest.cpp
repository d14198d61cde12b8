#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "KeyChangeFixture.h"
#include "support/Records.h"
#include "pages/PasswordDialogs.h"
#include "registry/DeviceHistory.h"
#include "pages/PrivacyPage.h"
#include "pages/ScanCycle.h"
#include "registry/Database.h"

namespace zentrel::test {
namespace {

const std::string kMacText = "00:B0:52:00:00:0A";
const Mac kMac = {0x00, 0xB0, 0x52, 0x00, 0x00, 0x0A};
const std::string kGoodPassword = "abcd-EFGH-1234-xy9z";

class PasswordDialogsTest : public KeyChangeFixture {
protected:
    std::string PasswordOf(int record) const {
        const HistoryRecord& r = core->db.history[static_cast<std::size_t>(record - 1)];
        return RecordText(r.password, sizeof r.password);
    }
    void SelectDevice() {
        AddRow("0A", kMacText, "");
        views.main.powerlineDevices.SelectRow(views.main.powerlineDevices.RowCount() - 1);
    }
    void TypePassword(const std::string& text) { views.SetFieldText(Form::SetPassword, kPasswordField, text); }
    std::string ListedPassword() const {
        const ListModel& list = views.main.powerlineDevices;
        return list.Cell(list.GetSelectedRow(), 4);
    }
};

TEST_F(PasswordDialogsTest, SetPasswordRefusesBadFormatsAndStoresAGoodOne) {
    AddRecord(core->db, kMac, "Device", "", 100);
    SelectDevice();
    ASSERT_TRUE(OpenSetPasswordDialog(*core));
    const std::string bad[] = {"", "abcd-efgh-ijkl-mno", "abcd-efgh-ijkl-mnopq", "abcde-fgh-ijkl-mnop",
                               "abcd-efgh-ijkl-mnop-"};
    for (const auto& text : bad) {
        SCOPED_TRACE(text);
        messages.shown.clear();
        TypePassword(text);
        EXPECT_EQ(ConfirmSetPassword(*core), SetPasswordOutcome::StaysOpen);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Bad password format");
        EXPECT_EQ(messages.shown[0].caption, "Zentrel Utility");
        EXPECT_EQ(PasswordOf(1), "");
        EXPECT_EQ(core->scan.autoRefreshOff, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "plc.data"));

    messages.shown.clear();
    TypePassword(kGoodPassword);
    EXPECT_EQ(ConfirmSetPassword(*core), SetPasswordOutcome::Stored);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(PasswordOf(1), kGoodPassword);  // as typed, lower case kept
    EXPECT_EQ(ListedPassword(), kGoodPassword);
    EXPECT_EQ(views.setPasswordStatus, "Please be patient, this may take some time.");
    EXPECT_EQ(core->scan.autoRefreshOff, 0);
    std::ifstream in(dir / "plc.data", std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(file.find(kGoodPassword), std::string::npos);
    EXPECT_TRUE(requests.empty());  // nothing is sent to the device
}

TEST_F(PasswordDialogsTest, SetPasswordCreatesTheRecordOfAListedDeviceWithoutOne) {
    AddRecord(core->db, {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01}, "Device", "", 100);
    SelectDevice();
    ASSERT_TRUE(OpenSetPasswordDialog(*core));
    EXPECT_EQ(core->db.selectedHistory, 0);
    EXPECT_EQ(views.FieldText(Form::SetPassword, kPasswordField), "");
    TypePassword(kGoodPassword);
    EXPECT_EQ(ConfirmSetPassword(*core), SetPasswordOutcome::Stored);
    ASSERT_EQ(core->db.historyCount, 2);
    EXPECT_EQ(FindHistoryByMac(core->db, kMac.data()), 2);
    const HistoryRecord& r = core->db.history[1];
    EXPECT_EQ(RecordText(r.label, sizeof r.label), "0A");
    EXPECT_EQ(PasswordOf(2), kGoodPassword);
    EXPECT_EQ(PasswordOf(1), "");  // the first record is not touched
    EXPECT_EQ(ListedPassword(), kGoodPassword);
}

TEST_F(PasswordDialogsTest, AddRemoteRulesStopAtTheFirstFailure) {
    const std::string invalidPassword = "The Device Password Entered is Invalid.\nPlease check it and try again.";
    const std::string invalidName =
        "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters";
    struct Case {
        std::string name;
        std::string password;
        std::string message;  // empty: accepted and sent
    } cases[] = {
        {"", "TYPE-CODE-INTO-THIS", "Please enter another name."},
        {"", "abc", "Please enter another name."},
        {"Nets", "TYPE-CODE-INTO-THIS", "Please enter a Password."},
        {"Nets", "abc", invalidPassword},
        {"Nets", std::string(25, 'p'), invalidPassword},
        {"Nets", std::string(40, 'p'), invalidPassword},  // the field gives 25 characters
        {"Nets", "TYPE-CODE-INTO-THIZ", ""},
        {"Net", "abcd", invalidName},  // the network-name rule of the Privacy page
        {std::string(25, 'n'), "abcd", invalidName},
        {std::string(24, 'n'), std::string(24, 'p'), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + "/" + c.password);
        OpenAddRemoteDialog(*core);
        requests.clear();
        messages.shown.clear();
        views.SetFieldText(Form::AddRemote, kAddRemoteNameField, c.name);
        views.SetFieldText(Form::AddRemote, kPasswordField, c.password);
        const AddRemoteOutcome outcome = ConfirmAddRemote(*core);
        if (!c.message.empty()) {
            EXPECT_EQ(outcome, AddRemoteOutcome::StaysOpen);
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, c.message);
            EXPECT_TRUE(requests.empty());
            continue;
        }
        EXPECT_EQ(outcome, AddRemoteOutcome::Joined);
        EXPECT_TRUE(messages.shown.empty());
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].nmk, NmkText(c.name));
        EXPECT_EQ(requests[0].dak, DakText(c.password));
        EXPECT_EQ(requests[0].mode, 0x00);
        EXPECT_EQ(requests[0].broadcast, std::vector<std::uint8_t>(6, 0xFF));
    }
}

TEST_F(PasswordDialogsTest, AddRemoteWatchesTheSlotAfterTheStationsAndWaits200ms) {
    struct Case {
        int status;
        AddRemoteOutcome outcome;
    } cases[] = {{0, AddRemoteOutcome::Joined}, {kSilent, AddRemoteOutcome::NoMatch}, {0x01, AddRemoteOutcome::NoMatch}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        core->link.tables[0].stationCount = 3;
        core->link.setKeyResults.fill(0);
        core->link.setKeyResults[4] = 1;  // left over from an earlier exchange
        core->link.setKeyLocalOnly = 1;
        messages.shown.clear();
        messages.shownAtMs.clear();
        requests.clear();
        remoteAnswers[DakText("good-pass")] = {c.status};
        OpenAddRemoteDialog(*core);
        views.SetFieldText(Form::AddRemote, kAddRemoteNameField, "Upstairs");
        views.SetFieldText(Form::AddRemote, kPasswordField, "good-pass");
        const std::uint32_t start = clock.TickMs();

        EXPECT_EQ(ConfirmAddRemote(*core), c.outcome);

        EXPECT_EQ(core->link.setKeyResultIndex, 4);
        EXPECT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].localOnlyFlag, 0);
        if (c.outcome == AddRemoteOutcome::Joined) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(core->link.setKeyResults[4], 1);
        } else {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text,
                      "Input password does not match any device on the powerline network.\nPlease retype.");
            EXPECT_EQ(messages.shown[0].caption, "Zentrel Utility");
            EXPECT_EQ(messages.shown[0].icon, MsgIcon::Warning);
            EXPECT_EQ(messages.shown[0].owner, MsgOwner::None);
            // The message comes 200 ms after the exchange, which waited its full 350 ms when silent.
            const std::uint32_t waited = messages.shownAtMs[0] - start;
            EXPECT_GE(waited, c.status == kSilent ? 552u : 202u);
        }
    }
}

}  // namespace
}  // namespace zentrel::test
