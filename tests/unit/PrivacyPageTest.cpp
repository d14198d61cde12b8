#include "KeyChangeFixture.h"
#include "pages/PrivacyPage.h"

namespace zentrel::test {
namespace {

const std::string kMacA = "00:B0:52:00:00:0A";
const std::string kMacB = "00:B0:52:00:00:0B";

class PrivacyPageTest : public KeyChangeFixture {
protected:
    std::string RememberedName() const { return core->link.tables[0].networkName; }
    void SetName(const std::string& name) { views.SetFieldText(Form::Privacy, kPrivacyNameField, name); }
    void Remember(const char* name) { std::strcpy(core->link.tables[0].networkName, name); }
};

TEST_F(PrivacyPageTest, NameRulesDecideWhatIsSentAndWhatIsRemembered) {
    const std::string invalid =
        "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 characters";
    struct Case {
        std::string name;
        bool sent, remembered;
    } cases[] = {
        {"", false, false},
        {"abc", false, false},
        {std::string(25, 'n'), false, false},
        {"abcd", true, true},
        {std::string(24, 'n'), true, true},
        {"My\tNet", true, false},            // applied to the devices, not remembered
        {"Caf\xE9Net", true, false},
        {"Del\x7FNet", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Remember("Previous");
        requests.clear();
        messages.shown.clear();
        messages.stdoutLines.clear();
        SetName(c.name);
        const SetNameOutcome outcome = SetNetworkName(*core, SetNameScope::LocalOnly);
        EXPECT_EQ(RememberedName(), c.remembered ? c.name : "Previous");
        ASSERT_EQ(requests.size(), c.sent ? 1u : 0u);
        ASSERT_EQ(messages.shown.size(), 1u);
        // The refusal's caption and icon are the rule's own test.
        EXPECT_EQ(outcome, c.sent ? SetNameOutcome::Success : SetNameOutcome::Refused);
        EXPECT_EQ(messages.shown[0].text, c.sent ? kSuccessText : invalid);
        if (!c.sent) continue;
        EXPECT_EQ(requests[0].nmk, NmkText(c.name));
        const std::vector<std::string> printed = {"Illegal character in password, CTRL and ALT characters not allowed.\n"};
        EXPECT_EQ(messages.stdoutLines, c.remembered ? std::vector<std::string>{} : printed);
    }
}

TEST_F(PrivacyPageTest, SetAllSendsRemoteDevicesInRowOrderThenLocalWithTheirWaits) {
    AddRow("02", kMacA, "pass-word-aaaa");
    AddRow("03", kMacB, "");
    AddRow("04", "00:B0:52:00:00:0C", "pass-word-cccc");
    core->link.tables[0].stationCount = 3;
    core->link.tables[0].stations[0].present = 1;
    SetName("NewName");
    std::vector<RemoteProgress> progress;
    std::vector<std::uint32_t> progressAt;

    const SetNameOutcome outcome =
        SetNetworkName(*core, SetNameScope::AllDevices, [&](const RemoteProgress& p) {
            progress.push_back(p);
            progressAt.push_back(clock.TickMs());
        });

    EXPECT_EQ(outcome, SetNameOutcome::Success);
    const std::string nmk = NmkText("NewName");
    ASSERT_EQ(requests.size(), 3u);
    const std::string dak[] = {DakText("pass-word-aaaa"), DakText("pass-word-cccc"), std::string(32, '0')};
    for (int i = 0; i < 3; ++i) {
        const bool remote = i < 2;
        EXPECT_EQ(requests[i].dak, dak[i]);
        EXPECT_EQ(requests[i].mode, remote ? 0x00 : 0x0F);
        EXPECT_EQ(requests[i].broadcast, std::vector<std::uint8_t>(6, remote ? 0xFF : 0x00));
        EXPECT_EQ(requests[i].nmk, nmk);
        EXPECT_EQ(requests[i].localOnlyFlag, remote ? 0 : 1);
    }
    // 2 ms before each remote request, 1000 ms after each; the row without a password costs nothing.
    ASSERT_EQ(progressAt.size(), 4u);
    EXPECT_EQ(requests[0].timeMs, progressAt[0] + 2);
    EXPECT_LT(progressAt[1] - requests[0].timeMs, 30u);  // confirmed within a few polls
    EXPECT_EQ(progressAt[2], progressAt[1] + 1000);
    EXPECT_EQ(requests[1].timeMs, progressAt[2] + 2);
    EXPECT_EQ(requests[2].timeMs, progressAt[3] + 1000);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kSuccessText);
    EXPECT_EQ(messages.shown[0].caption, "Info");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(clock.TickMs(), messages.shownAtMs[0] + 200);
    EXPECT_EQ(core->link.tables[0].stationCount, 0);
    EXPECT_EQ(core->link.tables[0].stations[0].present, 0);
    EXPECT_EQ(RememberedName(), "NewName");

    // Before and after each of the two remote devices; their texts are the widget's test.
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_TRUE(progress[1].done && progress[1].ok);
}

TEST_F(PrivacyPageTest, RemoteDeviceGetsExactlyOneRetry) {
    AddRow("02", kMacA, "first-pass");
    AddRow("03", kMacB, "second-pass");
    core->link.tables[0].stationCount = 2;
    remoteAnswers[DakText("first-pass")] = {kSilent, 0};      // recovers on the retry
    remoteAnswers[DakText("second-pass")] = {0x01, kSilent, 0};  // a third attempt would succeed
    SetName("NewName");

    EXPECT_EQ(SetNetworkName(*core, SetNameScope::AllDevices), SetNameOutcome::RemoteFailed);

    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].dak, requests[1].dak);
    EXPECT_EQ(requests[2].dak, DakText("second-pass"));
    EXPECT_EQ(requests[3].dak, DakText("second-pass"));
    EXPECT_EQ(requests[4].mode, 0x0F);
    // A silent device is given the full 350 ms before the retry goes out.
    EXPECT_GE(requests[1].timeMs - requests[0].timeMs, 352u);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "The update failed.(" + kMacB + ")\nPlease plug this device to your computer locally.");
    EXPECT_EQ(messages.shown[0].caption, "Attention!");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(messages.shown[0].owner, MsgOwner::None);
    // The wait after a failed device starts once its message is dismissed.
    EXPECT_EQ(requests[4].timeMs, messages.shownAtMs[0] + 1000);
    EXPECT_EQ(messages.shown[1].text, kLocalOnlySuccessText + "\n2 of 3 devices changed.");
    EXPECT_EQ(messages.shown[1].caption, "Info");
}

TEST_F(PrivacyPageTest, VisitsOnlyRowsBelowStationCountThatExist) {
    const struct {
        int stationCount, remoteRequests;
    } cases[] = {{0, 0}, {1, 1}, {5, 2}, {-3, 0}, {1000, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stationCount);
        views.main.powerlineDevices.DeleteAllRows();
        AddRow("02", kMacA, "first-pass");
        AddRow("03", kMacB, "second-pass");
        core->link.tables[0].stationCount = c.stationCount;
        requests.clear();
        messages.shown.clear();
        SetName("NewName");
        EXPECT_EQ(SetNetworkName(*core, SetNameScope::AllDevices), SetNameOutcome::Success);
        ASSERT_EQ(requests.size(), static_cast<std::size_t>(c.remoteRequests) + 1);
        EXPECT_EQ(requests.back().mode, 0x0F);
        EXPECT_EQ(messages.shown.back().text, kSuccessText);
    }
}

}  // namespace
}  // namespace zentrel::test
