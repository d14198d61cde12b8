#pragma once
// The OEM preferences and the vendor list as the application object takes them in.
namespace zentrel {

struct Core;

// Reads OEMPrefs.dat from the core's directory (defaults when missing), then applies the derived
// settings: scan timing, automatic scanning, grid lines and the initial sort.
void LoadOemPrefs(Core& core);
// The Main page's choice of link-quality wording, from qualityStyle, into core.quality.
void SelectQualityWording(Core& core);
void LoadVendorList(Core& core);

}  // namespace zentrel
