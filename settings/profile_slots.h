#pragma once
// The profile slots of the configuration file, by number: section "Config" + n
// for the user's slots, "CfgReset" + n for the factory copies.
#include <cstdint>

namespace orv::settings {

// The five profiles the user chooses among (Config1 ... Config5).
inline constexpr int32_t kFirstUserProfile = 1;
inline constexpr int32_t kLastUserProfile = 5;
// What was last applied to the mouse (Config6): a hide without applying goes back to it.
inline constexpr int32_t kAppliedProfile = 6;
// The slot of the settings import and export files (Config7).
inline constexpr int32_t kExchangeProfile = 7;
// Factory copies exist for profiles 2 ... 5 (CfgReset2 ... CfgReset5); profile 1's
// factory settings are the shipped file's profile 1.
inline constexpr int32_t kFirstFactoryProfile = 2;

}  // namespace orv::settings
