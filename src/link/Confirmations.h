#pragma once
// The receive path: one frame per call, decoded when it is the confirmation that the last
// request expects.
#include <cstdint>
#include <span>

namespace zentrel {

struct Link;

// Returns whether a frame was consumed. `status` receives the set-key status byte only.
bool HandleConfirmation(Link& link, int adapter, std::uint8_t* status);

// Whether a received frame is a confirmation that HandleConfirmation would take for the pending
// request, without taking it: a wait over several adapters holds the answers until it knows
// which of them count.
bool AnswersPendingRequest(const Link& link, std::span<const std::uint8_t> frame);
// Takes a frame received on `adapter` as HandleConfirmation takes the one it fetches.
void TakeConfirmation(Link& link, int adapter, std::span<const std::uint8_t> frame, std::uint8_t* status);

}  // namespace zentrel
