#include "pages/DiagnosticsPage.h"
#include "registry/DeviceHistory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/HexText.h"
#include "pages/ScanCycle.h"
#include "base/AtomicFile.h"
#include "pages/Core.h"
#include "pages/Storage.h"
#include "registry/Database.h"
#include "pages/MainPage.h"
#include "pages/HistoryList.h"
#include "report/HostInfo.h"
#include "report/LastSeen.h"
#include "report/ScanLog.h"

namespace zentrel {
namespace {

const char kRule[] =
    "----------------------------------------------------------------------------";
static_assert(sizeof kRule == 77);

// Where the report goes: lines and cells of a list, or lines and tab-separated columns of a file.
class ReportWriter {
public:
    explicit ReportWriter(std::FILE* file) : file_(file) {}
    explicit ReportWriter(ListModel* list) : list_(list) {}

    void Direct(ListModel* list) {
        list_ = list;
        row_ = -1;
        nextCell_ = 1;
    }

    void AddLine(const std::string& text) {
        if (file_) {
            std::fprintf(file_, "\n%s", text.c_str());
        } else if (list_ && list_->present) {
            row_ = list_->AppendRow(0);
            list_->SetCell(row_, 0, text);
            nextCell_ = 1;
        }
    }

    void AddColumn(const std::string& text) {
        if (file_) {
            std::fprintf(file_, "\t%s", text.c_str());
        } else if (list_ && list_->present && row_ >= 0) {
            list_->SetCell(row_, nextCell_++, text);
        }
    }

    std::FILE* File() const { return file_; }

private:
    std::FILE* file_ = nullptr;
    ListModel* list_ = nullptr;
    int row_ = -1;
    int nextCell_ = 1;
};

std::string Format(const char* format, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

// The number at the start of a text, as a standard text-to-integer reading takes it.
long LeadingNumber(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return errno == ERANGE ? 0 : value;
}

void WriteAdapterBlock(Core& core, ReportWriter& out) {
    int count = core.link.access.adapterCount;
    if (count > kMaxAdapters) count = kMaxAdapters;
    for (int e = 0; e < count; ++e) {
        auto& table = core.link.tables[static_cast<std::size_t>(e)];
        std::memcpy(table.hostMac, core.link.access.slots[static_cast<std::size_t>(e)].hostMac, 6);
        out.AddLine(Format("On %s #%d MAC = ", "NIC", e + 1) + FormatMac(table.hostMac));
        if (table.localFound) {
            const auto& record = core.link.adapters[static_cast<std::size_t>(e)];
            out.AddLine(Format("   %s #%d MAC = ", "HomePlugAV Device", 1) + FormatMac(table.localMac));
            const std::string firmware(record.firmwareVersion,
                                       strnlen(record.firmwareVersion, sizeof record.firmwareVersion));
            out.AddLine(Format("   %s: %s", "FW Version", firmware.c_str()));
            if (core.prefs.debugLevel > 1) {
                out.AddLine(Format("   %s: %ld (%lu KB), %s: %ld (%lu KB)", "Read", static_cast<long>(table.readCount),
                                   static_cast<unsigned long>(static_cast<std::uint32_t>(table.readBytes) >> 10),
                                   "Write", static_cast<long>(table.writeCount),
                                   static_cast<unsigned long>(static_cast<std::uint32_t>(table.writeBytes) >> 10)));
            }
        } else {
            out.AddLine("   No HomePlugAV Device Connected");
        }
        out.AddLine("");
    }
}

void RecordShownDevices(Core& core, std::int64_t now) {
    const auto& list = core.views.main.powerlineDevices;
    for (int row = 0; row < list.RowCount(); ++row) {
        const Mac mac = MacFromText(list.Cell(row, 3));
        const auto speed = static_cast<std::uint8_t>(LeadingNumber(list.Cell(row, 1)) & 0xFF);
        RecordListedStation(core.db, mac.data(), list.Cell(row, 0), speed, list.Cell(row, 4), ShownMacs(core), now);
    }
}

void RecordLocalDevices(Core& core, std::int64_t now) {
    for (int k = 0; k < kMaxAdapters; ++k) {
        const auto& table = core.link.tables[static_cast<std::size_t>(k)];
        if (!table.localFound) continue;
        SaveDatabase(core);
        RecordLocalDevice(core.db, table.localMac, table.network.localTei, k == core.link.currentAdapter, false,
                          ShownMacs(core), now);
    }
}

void WriteDeviceRows(Core& core, ReportWriter& out) {
    for (int i = 0; i < core.db.historyCount && i < kMaxHistory; ++i) {
        const auto& record = core.db.history[static_cast<std::size_t>(i)];
        out.AddLine(RecordText(record.label, sizeof record.label));
        out.AddColumn(FormatMac(record.mac));
        const std::string password = RecordText(record.password, sizeof record.password);
        // A report is made to be passed on; the page on screen shows the passwords whole.
        out.AddColumn(password.empty() ? std::string(19, ' ') : out.File() ? MaskedPassword(password) : password);
        out.AddColumn(record.speed == 0xFF ? std::string("local device") : Format("%d         ", record.speed));
        out.AddColumn(FormatLastSeen(core.prefs, record.lastSeen));
        if (out.File()) out.AddLine("");
    }
}

}  // namespace

std::string MaskedPassword(const std::string& password) {
    constexpr std::size_t kShown = 4;
    // A password no longer than what would show is hidden whole.
    const std::size_t hidden = password.size() > kShown ? password.size() - kShown : password.size();
    std::string masked = password;
    for (std::size_t i = 0; i < hidden; ++i) {
        if (masked[i] != '-') masked[i] = '*';
    }
    return masked;
}

void GenerateDiagnostics(Core& core, DiagnosticsView* page, std::FILE* file) {
    if (!page && !file) return;
    ReportWriter out = page ? ReportWriter(&page->systemInformation) : ReportWriter(file);
    if (page) page->systemInformation.DeleteAllRows();

    WriteAdapterBlock(core, out);
    for (const auto& line : CollectHostInformation(core.prefs.title, core.link.captureLibraryVersion)) out.AddLine(line);

    if (page) {
        page->history.DeleteAllRows();
        out.Direct(&page->history);
    } else {
        std::fputs("\n\n\n", file);
        std::fprintf(file, "%s:\n", "Powerline Device(s)");
        std::fputs(kRule, file);
        std::fputs("\n", file);
        std::fprintf(file, "TEI\t\tMAC\t\t\t\t%s\t\t\t%s\t\t%s\n", "Password", "Speed(Mbps)", "Last Seen");
        std::fputs(kRule, file);
    }

    const std::int64_t now = core.clock.Now();
    RecordShownDevices(core, now);
    RecordLocalDevices(core, now);
    WriteDeviceRows(core, out);
    core.views.Changed();
}

void WriteReportFile(Core& core, std::FILE* file) {
    if (!file) return;
    const std::time_t now = static_cast<std::time_t>(core.clock.Now());
    std::tm local{};
    const std::string date = localtime_r(&now, &local) ? StandardDateText(local) : std::string("\n");
    std::fprintf(file, "Diagnostics Report:\t\t\t\t\t%s\n", date.c_str());
    std::fputs("Host Computer Information:\n", file);
    std::fputs(kRule, file);
    GenerateDiagnostics(core, nullptr, file);
}

void InitDiagnosticsPage(Core& core) {
    core.views.diagnostics.systemInformation.present = true;
    core.views.diagnostics.history.present = true;
    SetupHistoryLists(core);
}

void ActivateDiagnosticsPage(Core& core) {
    core.pages.diagnosticsWasScanning = SetAutoRefresh(core, 0);
    GenerateDiagnostics(core, &core.views.diagnostics, nullptr);
}

void DeactivateDiagnosticsPage(Core& core) { SetAutoRefresh(core, core.pages.diagnosticsWasScanning ? 1 : 0); }

void PaintDiagnosticsPage(Core& core) { GenerateDiagnostics(core, &core.views.diagnostics, nullptr); }

void OnDiagnosticsDelete(Core& core) {
    DeleteSelectedHistory(core);
    GenerateDiagnostics(core, &core.views.diagnostics, nullptr);
    SaveDatabase(core);
}

bool SaveReport(Core& core, const std::optional<std::filesystem::path>& path) {
    // The report holds device passwords: it is owner-only from its creation, also when it
    // replaces a file that others could read.
    std::optional<ReplacementFile> file;
    if (path) file.emplace(*path);
    bool written = file && file->Stream();
    if (written) {
        WriteReportFile(core, file->Stream());
        written = file->Commit();
    }
    if (!written && file && core.onSaveFailure) core.onSaveFailure(*path, file->Error());
    if (!written) {
        Message message;
        message.text = "Unable to create a file.";
        message.caption = "Problem Occurred";
        message.icon = MsgIcon::None;
        message.buttons = MsgButtons::Ok;
        message.owner = MsgOwner::Page;
        core.messages.Show(message);
    }
    return written;
}

}  // namespace zentrel
