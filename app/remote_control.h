#pragma once
// The running copy's answers to what a later start asks over the
// single-instance socket (--status, --profile N, a second start's show).
#include <string>

#include "app/app_port.h"
#include "app/app_state.h"
#include "app/instance_guard.h"

namespace orv::app {

// Why the window cannot take a profile now; "" when it can.
struct RemoteBusy {
  std::string reason;
};

// Answers `request`. A profile request goes through the same load and Apply
// as the window's chip and Apply button; `busy` (a dialog or menu of the
// window is open) refuses it, so nothing runs under an open dialog. An answer
// that begins with kRemoteFailure reports a failure.
std::string AnswerInstanceRequest(AppState& state, AppPort& port, const InstanceRequest& request,
                                  const RemoteBusy& busy);

inline constexpr char kRemoteFailure[] = "error: ";

// The status lines of the running copy.
std::string DescribeStatus(const AppState& state);

}  // namespace orv::app
