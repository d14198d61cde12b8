#pragma once
// The diagnostics report: host adapters, their local devices, the host and the device history,
// written into a text file or into the Diagnostics page's two lists.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "pages/Views.h"

namespace zentrel {

struct Core;

// Fills the page's lists when `page` is given, otherwise writes to `file`; does nothing when
// both are missing. Records the shown and the local devices in the history on the way.
void GenerateDiagnostics(Core& core, DiagnosticsView* page, std::FILE* file);
// The header and the report; the caller closes the file.
void WriteReportFile(Core& core, std::FILE* file);
// How a report file shows a device password: every character but the last four becomes '*',
// dashes excepted; a password of four characters or fewer is hidden whole.
std::string MaskedPassword(const std::string& password);
// The Diagnostics page's life and commands.
void InitDiagnosticsPage(Core& core);
// Pauses periodic scanning while the page is shown, then fills the lists.
void ActivateDiagnosticsPage(Core& core);
void DeactivateDiagnosticsPage(Core& core);
void PaintDiagnosticsPage(Core& core);
// "Delete...": the history list's Delete command, then the lists again and a save.
void OnDiagnosticsDelete(Core& core);
// "Save Report...": the path the user picked, none when the dialog was cancelled. Returns true
// when the report was written (owner read/write only, replacing the file atomically); otherwise
// "Unable to create a file." was shown.
bool SaveReport(Core& core, const std::optional<std::filesystem::path>& path);

}  // namespace zentrel
