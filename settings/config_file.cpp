#include "settings/config_file.h"

#include "macros/macro_files.h"
#include "platform/decimal.h"
#include "platform/log.h"
#include "settings/config_check.h"

namespace orv::settings {
namespace {

// Room for the values, terminator included: level keys hold up to 9
// characters, every other key up to 4. Longer values are cut, not rejected.
constexpr size_t kLevelKeyCapacity = 10;
constexpr size_t kKeyCapacity = 5;

std::string ButtonKey(int b) { return "K" + std::to_string(b); }
std::string StepKey(int n) { return "DPI_SET" + std::to_string(n); }
std::string EnableKey(int n) { return "DPI_SET_EN" + std::to_string(n); }
std::string ColourKey(int n, char channel) { return "DPI" + std::to_string(n) + "_" + channel; }

uint8_t LowByte(int32_t v) { return static_cast<uint8_t>(v & 0xFF); }

void NoteProfile(ConfigContext& ctx, const std::string& section, int32_t n) {
  if (!ctx.profile) return;
  ctx.profile->configSection = section;
  ctx.profile->curConfigText = std::to_string(n);
}

}  // namespace

std::string ProfileSectionName(int32_t n, bool factory, int32_t language) {
  if (!factory) return "Config" + std::to_string(n);
  if (n == 5 && language == 1) return "CfgReset_EN5";
  return "CfgReset" + std::to_string(n);
}

namespace {

// Reads the settings keys of one profile through `get(key, capacity)`.
// Returns whether any of them was there.
template <typename Get>
bool ReadProfileKeys(MouseSettings& s, Get&& get) {
  bool any = false;
  auto read = [&](const std::string& key, size_t capacity) {
    const std::string text = get(key, capacity);
    if (!text.empty()) any = true;
    return ReadDecimal(text);
  };
  for (int b = 0; b < kButtonCount; ++b) s.K[b] = read(ButtonKey(b), kKeyCapacity);
  s.WHEEL_STATUS = read("WHEEL_STATUS", kKeyCapacity);
  s.MACRO_MODE2 = read("MACRO_MODE2", kKeyCapacity);
  // Kept as stored, even outside 0 ... 5: RepairInvariants deals with it
  // before anything is sent, and the file round-trips unchanged.
  s.DPI_LEVEL = read("DPI_LEVEL", kKeyCapacity);
  for (int lv = 0; lv < kLevelCount; ++lv) {
    DpiLevel& l = s.levels[static_cast<size_t>(lv)];
    l.step = LowByte(read(StepKey(lv), kLevelKeyCapacity));
    l.enabled = read(EnableKey(lv), kLevelKeyCapacity) != 0 ? 1 : 0;
    l.r = read(ColourKey(lv, 'R'), kLevelKeyCapacity);
    l.g = read(ColourKey(lv, 'G'), kLevelKeyCapacity);
    l.b = read(ColourKey(lv, 'B'), kLevelKeyCapacity);
  }
  s.LED_TYPE = LowByte(read("LED_TYPE", kKeyCapacity));
  s.LED_CYC_TIME = LowByte(read("LED_CYC_TIME", kKeyCapacity));
  s.CYC_7COL_EN = LowByte(read("CYC_7COL_EN", kKeyCapacity));
  SetCycleFlagsFromMask(s, s.CYC_7COL_EN);
  s.DPI_SPEED = LowByte(read("DPI_SPEED", kKeyCapacity));
  s.WHEEL_SPEED = LowByte(read("WHEEL_SPEED", kKeyCapacity));
  s.USB_SPEED = LowByte(read("USB_SPEED", kKeyCapacity));
  s.FIRE_TIME = read("FIRE_TIME", kKeyCapacity);
  RecomputeDerived(s);
  return any;
}

// Reads section `from` of the shipped configuration file.
void ReadShippedProfile(MouseSettings& s, const std::string& from) {
  const IniDocument& shipped = ShippedConfigDocument();
  ReadProfileKeys(s, [&](const std::string& key, size_t capacity) {
    const std::string* value = shipped.Find(from, key);
    return value ? CutToCapacity(*value, capacity) : std::string();
  });
}

}  // namespace

void ResetToFactory(MouseSettings& s) {
  const int32_t macroMode = s.MACRO_MODE2;
  const auto cycleFlags = s.colourCycleFlags;
  ReadShippedProfile(s, ProfileSectionName(kFirstUserProfile, false, 0));
  s.MACRO_MODE2 = macroMode;
  s.colourCycleFlags = cycleFlags;
}

ProfileLoad LoadConfig(ConfigContext& ctx, IniEdit& file, int32_t n, bool factory) {
  const std::string section = ProfileSectionName(n, factory, ctx.language);
  NoteProfile(ctx, section, n);
  ProfileLoad load;
  // A user profile's load reports a missing file (its macros cannot be read).
  if (!factory && !file.FileExists()) load.missingFile = MissingFile(file.path());
  if (ReadProfileKeys(ctx.settings, [&](const std::string& key, size_t capacity) {
        return file.Get(section, key, capacity);
      })) {
    // Factory profiles carry no macros of their own.
    if (!factory) macros::LoadMacros(file, section, ctx.macros, macros::MacroTarget::User);
    load.found = true;
    return load;
  }
  // A profile the file does not hold is never read as zeros (no buttons, no
  // lights, a 200-DPI level): it comes from the shipped defaults, the same
  // section or else profile 1, and the live macros stay as they are.
  const IniDocument& shipped = ShippedConfigDocument();
  const std::string from = shipped.HasSection(section) ? section : ProfileSectionName(kFirstUserProfile, false, 0);
  log::Warning(log::kFiles, file.path().string() + " holds no profile [" + section + "]; the shipped [" + from +
                                "] is used instead");
  ReadShippedProfile(ctx.settings, from);
  return load;
}

ProfileLoad LoadConfig(ConfigContext& ctx, const std::filesystem::path& file, int32_t n, bool factory) {
  IniEdit edit(file);
  return LoadConfig(ctx, edit, n, factory);
}

void SaveConfig(ConfigContext& ctx, IniEdit& file, int32_t n, bool withMacros) {
  const std::string section = ProfileSectionName(n, false, ctx.language);
  NoteProfile(ctx, section, n);
  {
    const MouseSettings& s = ctx.settings;
    auto write = [&](const std::string& key, int64_t value) { file.SetInt(section, key, value); };

    for (int b = 0; b < kButtonCount; ++b) write(ButtonKey(b), s.K[b]);
    write("DPI_LEVEL", s.DPI_LEVEL);
    write("WHEEL_STATUS", s.WHEEL_STATUS);
    write("MACRO_MODE2", s.MACRO_MODE2);
    write("CYC_7COL_EN", s.CYC_7COL_EN);
    for (int lv = 0; lv < kLevelCount; ++lv) {
      const DpiLevel& l = s.levels[static_cast<size_t>(lv)];
      write(StepKey(lv), l.step);
      write(EnableKey(lv), l.enabled != 0 ? 1 : 0);
      write(ColourKey(lv, 'R'), l.r);
      write(ColourKey(lv, 'G'), l.g);
      write(ColourKey(lv, 'B'), l.b);
    }
    write("LED_TYPE", s.LED_TYPE);
    write("LED_CYC_TIME", s.LED_CYC_TIME);
    write("DPI_SPEED", s.DPI_SPEED);
    write("WHEEL_SPEED", s.WHEEL_SPEED);
    write("USB_SPEED", s.USB_SPEED);
    write("FIRE_TIME", s.FIRE_TIME);
  }
  if (withMacros) macros::SaveMacros(file, section, ctx.macros);
}

Outcome SaveConfig(ConfigContext& ctx, const std::filesystem::path& file, int32_t n, bool withMacros) {
  IniEdit edit(file);
  SaveConfig(ctx, edit, n, withMacros);
  return edit.Commit();
}

Outcome SaveDpiLevel(const std::filesystem::path& file, int32_t n, int32_t dpiLevel) {
  return WriteProfileString(file, ProfileSectionName(n, false, 0), "DPI_LEVEL", std::to_string(dpiLevel));
}

void ReadCurrentProfile(const std::filesystem::path& configPath, ProfileState& out) {
  int32_t n = ReadDecimal(GetProfileString(configPath, "Init", "CurConfig", kKeyCapacity));
  if (n < kFirstUserProfile || n > kLastUserProfile) n = kFirstUserProfile;
  out.curProfile = n;
  out.curConfigText = std::to_string(n);
  out.configSection = ProfileSectionName(n, false, 0);
}

uint8_t ReadLanguage(const std::filesystem::path& configPath) {
  return LowByte(ReadDecimal(GetProfileString(configPath, "Init", "VER_SEL", kKeyCapacity)));
}

Outcome ImportConfig(ConfigContext& ctx, const std::filesystem::path& file) {
  IniEdit edit(file);
  if (!edit.FileExists()) return MissingFile(file);
  const std::string section = ProfileSectionName(kExchangeProfile, false, 0);
  // A file without the exchange profile would replace the settings with nothing.
  if (edit.Get(section, ButtonKey(0), kKeyCapacity).empty() && edit.Get(section, "DPI_LEVEL", kKeyCapacity).empty()) {
    return Failure::Of(file.string() + " holds no exported settings (no profile [" + section +
                       "]). Nothing was imported.");
  }
  LoadConfig(ctx, edit, kExchangeProfile, false);  // the file is there: nothing to tell
  return {};
}

Outcome ExportConfig(ConfigContext& ctx, const std::filesystem::path& file) {
  return SaveConfig(ctx, file, kExchangeProfile, true);
}

}  // namespace orv::settings
