#pragma once
// The Main page's operations on its view models: status texts, local device list, network
// boxes and list set-up (the powerline list's rows and sort rule are in MainList).
#include <array>
#include <cstdint>

#include "pages/MainStatus.h"
#include "pages/Views.h"

namespace zentrel {

struct Core;

struct MainPageState {
    std::int32_t selectedLocalRow = 0;
    std::array<std::uint8_t, 5> columnSortFlags{};
};

void FillLocalDeviceList(Core& core);
void SelectLocalDevice(Core& core);
// 0 or less black; 1 green; 2 blue; 3 red; 4 grey; 5 or more the code itself (0x00BBGGRR).
unsigned ColorFromCode(std::int32_t code);
void SetupLocalDeviceList(Core& core);
void SetupPowerlineDeviceList(Core& core);
void SetupHistoryLists(Core& core);

// The page's life, so that a renderer only forwards: creation (load the database and vendor
// list, make the lists, restart the link, first status), activation (restart the scan timer,
// scan at once when automatic scanning is off), deactivation and destruction (save).
void InitMainPage(Core& core);
void ActivateMainPage(Core& core);
void DeactivateMainPage(Core& core);
void DestroyMainPage(Core& core);
// The "Scan" button.
void OnScanButton(Core& core);

}  // namespace zentrel
