#pragma once
// What the scanning subcommands share: the Main page's start (preferences, database, lists),
// one scan, and the page's picture as text or JSON.
#include <string>

#include "cli/CliSupport.h"

namespace zentrel::cli {

// OEMPrefs.dat, plc.data and OUIList.txt from the current directory, and the Main page's two
// lists made, as the desktop program's Main page starts.
void OpenMainPage(CliContext& context);
// Restarts the link and runs one scan cycle; true when a local device answered.
bool ScanOnce(Core& core);
bool LocalDeviceFound(const Core& core);

// The Main page as plain text: adapters, local devices, status, network boxes, station rows in
// the list's column order.
std::string MainPageText(const Core& core);

// True when `text` is a MAC written as six pairs of hexadecimal digits separated by colons
// (either case); `upper` receives it in upper case.
bool ParseMacArgument(const std::string& text, std::string& upper);

}  // namespace zentrel::cli
