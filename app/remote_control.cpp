#include "app/remote_control.h"

#include "app/controller.h"
#include "app/shell.h"
#include "device/device_link.h"
#include "platform/log.h"

namespace orv::app {

std::string DescribeStatus(const AppState& s) {
  std::string text = "mouse: ";
  const device::DeviceLink* link = s.session.link.get();
  if (link != nullptr && link->DeviceConnected()) {
    text += "connected (" + link->DevicePath() + ")\n";
  } else {
    text += "not connected\n";
  }
  text += "profile: " + std::to_string(s.profile.curProfile) + "\n";
  text += std::string("language: ") + (s.language != 0 ? "English" : "Turkish") + "\n";
  text += "application rule: " + (s.activeAppRule.empty() ? std::string("none") : s.activeAppRule) + "\n";
  if (!s.appSwitchWaiting.empty()) text += "application switching waits: " + s.appSwitchWaiting + "\n";
  return text;
}

std::string AnswerInstanceRequest(AppState& s, AppPort& port, const InstanceRequest& request,
                                  const RemoteBusy& busy) {
  switch (request.kind) {
    case InstanceRequest::Kind::Show:
      ShowFromTray(s, port);
      return "shown\n";
    case InstanceRequest::Kind::Status:
      return DescribeStatus(s);
    case InstanceRequest::Kind::Profile: {
      const std::string n = std::to_string(request.profile);
      if (s.session.ended.load()) return std::string(kRemoteFailure) + "the program is ending; nothing was sent\n";
      if (!busy.reason.empty()) {
        return std::string(kRemoteFailure) + busy.reason + "; profile " + n + " was not sent\n";
      }
      if (s.session.link == nullptr || !s.session.link->DeviceConnected()) {
        return std::string(kRemoteFailure) + "no mouse is connected; nothing was sent\n";
      }
      SelectProfile(s, port, request.profile);
      const uint64_t failedBefore = s.session.channel.FailedSends();
      const drive::ApplyOutcome outcome = ApplyCurrentProfile(s, port, false);
      port.Invalidate(RepaintArea::Whole);
      log::Info(log::kApp, "profile " + n + " applied on request from the command line");
      std::string text;
      if (s.session.channel.WriteState() != device::HandleState::Open ||
          s.session.channel.FailedSends() != failedBefore) {
        text = std::string(kRemoteFailure) + "profile " + n + " is current, but the mouse did not take every report\n";
      } else {
        text = "profile " + n + " is current and was sent to the mouse\n";
      }
      for (const Failure& e : outcome.writeErrors) text += "not saved: " + e.Text() + "\n";
      return text;
    }
    case InstanceRequest::Kind::Unknown:
      break;
  }
  return std::string(kRemoteFailure) + "request not understood (this copy speaks " + kRequestVersion + ")\n";
}

}  // namespace orv::app
