#include "pages/PrivacyPage.h"

#include <algorithm>
#include <cstring>

#include "keys/EntryRules.h"
#include "keys/KeyDerivation.h"
#include "pages/ScanCycle.h"
#include "link/StationOps.h"
#include "pages/Core.h"

namespace zentrel {
namespace {

constexpr int kMacSubItem = 3;
constexpr int kPasswordSubItem = 4;
constexpr std::uint32_t kBeforeRemoteMs = 2;
constexpr std::uint32_t kAfterRemoteMs = 1000;
constexpr std::uint32_t kBeforeClearMs = 200;

void WriteNetworkName(StationTable& table, const std::string& name) {
    std::memset(table.networkName, 0, sizeof table.networkName);
    std::memcpy(table.networkName, name.data(), std::min(name.size(), sizeof table.networkName - 1));
}

std::string NetworkNameOf(const StationTable& table) {
    const auto* end = std::find(std::begin(table.networkName), std::end(table.networkName), '\0');
    return std::string(table.networkName, end);
}

struct RemoteDevice {
    std::string mac;
    std::string password;
};

// The rows of the powerline device list that "Set All Devices" visits: the first `count` rows
// that exist, and of those only the ones that show a password.
std::vector<RemoteDevice> RemoteDevicesWithPassword(const ListModel& list, int count) {
    std::vector<RemoteDevice> devices;
    const int rows = std::min(std::clamp(count, 0, kMaxStations), list.RowCount());
    for (int r = 0; r < rows; ++r) {
        std::string password = ListText(list, r, kPasswordSubItem);
        if (password.empty()) continue;
        devices.push_back({ListText(list, r, kMacSubItem), std::move(password)});
    }
    return devices;
}

// `changed` of `devices` took the name; the count is added when any device failed.
void ShowFinalMessage(Core& core, SetNameOutcome outcome, int changed, int devices) {
    Message m;
    m.icon = MsgIcon::None;
    m.owner = MsgOwner::None;
    switch (outcome) {
    case SetNameOutcome::LocalFailed:
        m.caption = "Attention!";
        m.text = "Change network name failed.";
        break;
    case SetNameOutcome::Success:
        m.caption = "Info";
        m.text =
            "Change network name successfully!\nPlease wait for about 10 seconds for updating the "
            "corresponding data.";
        break;
    default:
        m.caption = "Info";
        m.text =
            "Change local adapter's network name successfully!\nPlease wait for about 10 seconds for "
            "updating the corresponding data.";
        break;
    }
    if (changed < devices) {
        m.text += "\n";
        m.text += std::to_string(changed);
        m.text += " of ";
        m.text += std::to_string(devices);
        m.text += " devices changed.";
    }
    core.messages.Show(m);
}

}  // namespace

StationTable& CurrentStationTable(Core& core) {
    return core.link.tables[static_cast<std::size_t>(std::clamp(core.link.currentAdapter, 0, kMaxAdapters - 1))];
}

std::string ListText(const ListModel& list, int row, int subItem) {
    std::string text = list.Cell(row, subItem);
    return ClipFieldText(text, kListTextMaxChars);
}

std::string ClipFieldText(const std::string& text, std::size_t maxChars) {
    std::string clipped = text.substr(0, text.find('\0'));
    if (clipped.size() > maxChars) clipped.resize(maxChars);
    return clipped;
}

void ActivatePrivacyPage(Core& core) {
    core.pages.privacyWasScanning = SetAutoRefresh(core, 0);
    StationTable& table = CurrentStationTable(core);
    if (table.networkName[0] == '\0') WriteNetworkName(table, kDefaultNetworkName);
    core.views.SetFieldText(Form::Privacy, kPrivacyNameField, NetworkNameOf(table));
    core.views.FocusField(Form::Privacy, kPrivacyNameField);
    core.views.Changed();
}

int RemoteDevicesToVisit(Core& core) {
    return static_cast<int>(
        RemoteDevicesWithPassword(core.views.main.powerlineDevices, CurrentStationTable(core).stationCount).size());
}

void DeactivatePrivacyPage(Core& core) { SetAutoRefresh(core, core.pages.privacyWasScanning ? 1 : 0); }

void UseDefaultNetworkName(Core& core) {
    WriteNetworkName(CurrentStationTable(core), kDefaultNetworkName);
    core.views.PresetField(Form::Privacy, kPrivacyNameField, kDefaultNetworkName);
    core.views.FocusField(Form::Privacy, kPrivacyNameField);
    core.views.Changed();
}

SetNameOutcome SetNetworkName(Core& core, SetNameScope scope, const RemoteProgressFn& progress) {
    bool allConfirmed = true;
    core.link.setKeyLocalOnly = scope == SetNameScope::LocalOnly ? 1 : 0;

    const ListModel& list = core.views.main.powerlineDevices;
    if (!list.present) return SetNameOutcome::NotRun;
    // Taken once: every successful confirmation empties the tables, but the list keeps its rows.
    const int count = CurrentStationTable(core).stationCount;

    const FieldState& field = core.views.Field(Form::Privacy, kPrivacyNameField);
    const std::string name = ClipFieldText(field.text, kPrivacyNameMaxChars);
    if (!Passes(core.messages, CheckFits(field.fits, EntryRule::NetworkName)) ||
        !Passes(core.messages, CheckNetworkName(name)))
        return SetNameOutcome::Refused;
    // A name with control or 8-bit characters is still applied, only not remembered.
    if (const auto line = CheckPasswordCharacters(name)) {
        core.messages.StandardOutput(*line);
    } else {
        WriteNetworkName(CurrentStationTable(core), name);
    }

    const std::string nmk = NmkText(name);
    int devices = 1;  // the local device, and each remote device visited
    int changed = 0;

    if (scope == SetNameScope::AllDevices) {
        // Remote devices first, while the local device still speaks the old key.
        const std::vector<RemoteDevice> remotes = RemoteDevicesWithPassword(list, count);
        const int n = static_cast<int>(remotes.size());
        devices += n;
        for (int i = 0; i < n; ++i) {
            const RemoteDevice& device = remotes[static_cast<std::size_t>(i)];
            if (progress) progress({i + 1, n, device.mac, false, false});
            const std::string dak = DakText(device.password);
            core.clock.SleepMs(kBeforeRemoteMs);
            bool ok = SetNetworkKey(core.link, nmk, 0, &dak) == 0;
            if (!ok) ok = SetNetworkKey(core.link, nmk, 0, &dak) == 0;
            if (ok) ++changed;
            if (!ok) {
                allConfirmed = false;
                Message m;
                m.caption = "Attention!";
                m.icon = MsgIcon::Warning;
                m.owner = MsgOwner::None;
                m.text = "The update failed.(" + device.mac + ")\nPlease plug this device to your computer locally.";
                core.messages.Show(m);
            }
            if (progress) progress({i + 1, n, device.mac, true, ok});
            core.clock.SleepMs(kAfterRemoteMs);
        }
    }

    core.link.setKeyLocalOnly = 1;
    core.pages.lastSetKeyResult = SetNetworkKey(core.link, nmk, 1, nullptr);
    const bool localOk = core.pages.lastSetKeyResult == 0;
    if (localOk) ++changed;
    const SetNameOutcome outcome = !localOk      ? SetNameOutcome::LocalFailed
                                   : allConfirmed ? SetNameOutcome::Success
                                                  : SetNameOutcome::RemoteFailed;
    // The count matters only where there was more than the local device to change.
    ShowFinalMessage(core, outcome, changed, scope == SetNameScope::AllDevices ? devices : changed);
    core.clock.SleepMs(kBeforeClearMs);
    ClearStationTables(core.link);
    core.views.Changed();
    return outcome;
}

}  // namespace zentrel
