#include "pages/PasswordDialogs.h"
#include "registry/DeviceHistory.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "keys/EntryRules.h"
#include "keys/KeyDerivation.h"
#include "pages/PrivacyPage.h"
#include "pages/ScanCycle.h"
#include "pages/Core.h"
#include "pages/Storage.h"

namespace zentrel {
namespace {

constexpr int kTeiSubItem = 0;
constexpr int kMacSubItem = 3;
constexpr int kPasswordSubItem = 4;
constexpr std::size_t kNameMaxChars = 79;
constexpr std::uint32_t kAfterAddRemoteMs = 200;

void ShowWarning(Core& core, MsgOwner owner, const char* caption, const std::string& text) {
    Message m;
    m.text = text;
    m.caption = caption;
    m.icon = MsgIcon::Warning;
    m.owner = owner;
    core.messages.Show(m);
}

std::string PasswordOf(const Core& core, int record) {
    const HistoryRecord* r = HistoryAt(core.db, record);
    return r ? RecordText(r->password, sizeof r->password) : std::string();
}

// The format box carries the application's title, as the program's other boxes do.
std::optional<Message> Titled(const Core& core, std::optional<Message> refusal) {
    if (refusal) refusal->caption = core.prefs.title;
    return refusal;
}

void RestoreScan(Core& core) { SetAutoRefresh(core, core.pages.setPasswordWasScanning ? 1 : 0); }

}  // namespace

bool OpenSetPasswordDialog(Core& core) {
    const ListModel& list = core.views.main.powerlineDevices;
    const int row = list.present ? list.GetSelectedRow() : -1;
    if (row < 0) {
        ShowWarning(core, MsgOwner::Dialog, "Attention!", "Please select a device first by clicking on it.");
        return false;
    }
    const std::string macText = ListText(list, row, kMacSubItem);
    core.db.selectedHistory = FindHistoryByMacText(core.db, macText);
    core.views.setPasswordTei = ListText(list, row, kTeiSubItem);
    core.views.setPasswordMac = macText;
    core.views.setPasswordStatus.clear();
    core.pages.setPasswordMac = MacFromText(macText);

    core.views.FocusField(Form::SetPassword, kPasswordField);
    const int record = FindHistoryByMac(core.db, core.pages.setPasswordMac.data());
    if (record > 0) {
        core.views.PresetField(Form::SetPassword, kPasswordField,
                               PasswordOf(core, record));
    } else {
        // The field belongs to a fresh dialog: no text left over from an earlier device.
        core.views.SetFieldText(Form::SetPassword, kPasswordField, "");
    }
    core.views.Changed();
    core.pages.setPasswordWasScanning = SetAutoRefresh(core, 0);
    return true;
}

SetPasswordOutcome ConfirmSetPassword(Core& core) {
    const FieldState& field = core.views.Field(Form::SetPassword, kPasswordField);
    const std::string password = ClipFieldText(field.text, kPasswordMaxChars);
    if (!Passes(core.messages, Titled(core, CheckFits(field.fits, EntryRule::DevicePasswordFormat))) ||
        !Passes(core.messages, Titled(core, CheckDevicePasswordFormat(password))))
        return SetPasswordOutcome::StaysOpen;

    const Mac mac = core.pages.setPasswordMac;
    int record = FindHistoryByMac(core.db, mac.data());
    if (record == 0) record = AddDeviceRecord(core.db, mac.data(), core.views.setPasswordTei, ShownMacs(core), core.clock.Now());
    if (record == 0) {
        ShowWarning(core, MsgOwner::Dialog, "Attention!",
                    "The device history is full.\nPlease delete a device on the Diagnostics page and try again.");
        RestoreScan(core);
        return SetPasswordOutcome::HistoryFull;
    }
    SetHistoryPassword(core.db, record, password);
    core.views.setPasswordStatus = "Please be patient, this may take some time.";
    core.views.Changed();
    SaveDatabase(core);

    // Saving drops duplicate records, which moves the ones behind them: find the device again
    // rather than trusting an index taken before the save.
    core.db.selectedHistory = FindHistoryByMac(core.db, mac.data());
    ListModel& list = core.views.main.powerlineDevices;
    const int row = list.present ? list.GetSelectedRow() : -1;
    if (row >= 0 && core.db.selectedHistory > 0) {
        list.SetCell(row, kPasswordSubItem,
                     PasswordOf(core, core.db.selectedHistory));
    }
    core.views.Changed();
    RestoreScan(core);
    return SetPasswordOutcome::Stored;
}

void CancelSetPassword(Core& core) { RestoreScan(core); }

void OpenAddRemoteDialog(Core& core) {
    core.views.PresetField(Form::AddRemote, kAddRemoteNameField, kDefaultNetworkName);
    core.views.PresetField(Form::AddRemote, kPasswordField, kDevicePasswordPlaceholder);
    core.views.FocusField(Form::AddRemote, kAddRemoteNameField);
    core.views.Changed();
}

AddRemoteOutcome ConfirmAddRemote(Core& core) {
    // A name that cannot be hashed as typed gets the message of an absent one: choose another.
    // A present name is held to the Privacy page's rule: a device sent off to a network of a
    // name no other page can make would be lost to the user.
    const FieldState& nameField = core.views.Field(Form::AddRemote, kAddRemoteNameField);
    const std::string name = ClipFieldText(nameField.text, kNameMaxChars);
    if (!Passes(core.messages, CheckFits(nameField.fits, EntryRule::NamePresent)) ||
        !Passes(core.messages, CheckNamePresent(name)) || !Passes(core.messages, CheckNetworkName(name)))
        return AddRemoteOutcome::StaysOpen;
    const FieldState& passwordField = core.views.Field(Form::AddRemote, kPasswordField);
    const std::string password = ClipFieldText(passwordField.text, kPasswordMaxChars);
    if (!Passes(core.messages, CheckNotPlaceholder(password))) return AddRemoteOutcome::StaysOpen;
    if (!Passes(core.messages, CheckFits(passwordField.fits, EntryRule::DevicePassword)) ||
        !Passes(core.messages, CheckDevicePassword(password)))
        return AddRemoteOutcome::StaysOpen;

    const std::string nmk = NmkText(name);
    const std::string dak = DakText(password);

    // A slot no list row uses, so that only this exchange's confirmation can set it.
    const int slot = std::clamp(CurrentStationTable(core).stationCount, 0, kMaxStations) + 1;
    core.link.setKeyResultIndex = slot;
    core.link.setKeyResults[static_cast<std::size_t>(slot)] = 0;
    core.link.setKeyLocalOnly = 0;
    core.pages.lastSetKeyResult = SetNetworkKey(core.link, nmk, 0, &dak);
    core.clock.SleepMs(kAfterAddRemoteMs);

    if (core.link.setKeyResults[static_cast<std::size_t>(slot)] == 0) {
        ShowWarning(core, MsgOwner::None, "Zentrel Utility",
                    "Input password does not match any device on the powerline network.\nPlease retype.");
        return AddRemoteOutcome::NoMatch;
    }
    return AddRemoteOutcome::Joined;
}

}  // namespace zentrel
