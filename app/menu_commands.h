#pragma once
// Command identifiers of the event list's context menu. The English and the
// Turkish menu carry the same commands under different identifiers; both sets
// reach the same handlers.
#include <cstdint>
#include <optional>

namespace orv::app {

// English menu
inline constexpr int kCmdEnForwardLeftDown = 32802;
inline constexpr int kCmdEnForwardLeftUp = 32803;
inline constexpr int kCmdEnForwardRightDown = 32804;
inline constexpr int kCmdEnForwardRightUp = 32805;
inline constexpr int kCmdEnForwardMidDown = 32806;
inline constexpr int kCmdEnForwardMidUp = 32807;
inline constexpr int kCmdEnBackwardLeftDown = 32809;
inline constexpr int kCmdEnBackwardLeftUp = 32810;
inline constexpr int kCmdEnBackwardRightDown = 32811;
inline constexpr int kCmdEnBackwardRightUp = 32812;
inline constexpr int kCmdEnBackwardMidDown = 32813;
inline constexpr int kCmdEnBackwardMidUp = 32814;
inline constexpr int kCmdEnModifyDelay = 32780;
inline constexpr int kCmdEnDelete = 32781;

// Turkish menu
inline constexpr int kCmdTrForwardLeftDown = 32817;
inline constexpr int kCmdTrForwardLeftUp = 32818;
inline constexpr int kCmdTrForwardRightDown = 32820;
inline constexpr int kCmdTrForwardRightUp = 32821;
inline constexpr int kCmdTrForwardMidDown = 32823;
inline constexpr int kCmdTrForwardMidUp = 32824;
inline constexpr int kCmdTrBackwardLeftDown = 32829;
inline constexpr int kCmdTrBackwardLeftUp = 32830;
inline constexpr int kCmdTrBackwardRightDown = 32831;
inline constexpr int kCmdTrBackwardRightUp = 32832;
inline constexpr int kCmdTrBackwardMidDown = 32833;
inline constexpr int kCmdTrBackwardMidUp = 32834;
inline constexpr int kCmdTrModifyDelay = 32835;
inline constexpr int kCmdTrDelete = 32836;

// What a context command does, whichever language's identifier it came with.
enum class ContextAction : uint8_t { AddForward, AddBackward, ModifyDelay, Delete };

struct ContextCommand {
  ContextAction action = ContextAction::Delete;
  uint8_t code = 0;         // input code of an insertion: 240 left, 241 right, 242 middle
  uint8_t eventAction = 0;  // 1 press, 2 release
  bool operator==(const ContextCommand&) const = default;
};

// The command of an identifier of either menu; none for other identifiers.
std::optional<ContextCommand> ContextCommandFor(int commandId);

}  // namespace orv::app
