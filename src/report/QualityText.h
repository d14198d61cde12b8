#pragma once
// The link-quality text of a station's rate, as the report and the Main list's sort read it.
#include <cstdint>
#include <string>

#include "registry/OemPrefs.h"

namespace zentrel {

// A wording entry chosen by the rate, or a bar of '|' when the wording has no levels.
std::string QualityText(const QualityWording& wording, double rate, std::int32_t rateClass);

}  // namespace zentrel
