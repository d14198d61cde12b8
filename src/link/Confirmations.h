#pragma once
// The receive path: one frame per call, decoded when it is the confirmation that the last
// request expects.
#include <cstdint>

namespace zentrel {

struct Link;

// Returns whether a frame was consumed. `status` receives the set-key status byte only.
bool HandleConfirmation(Link& link, int adapter, std::uint8_t* status);

}  // namespace zentrel
