// The desktop backend of the host-side settings, talking to the desktop's own
// settings stores directly (no shells are spawned):
//  - pointer speed: GNOME's org.gnome.desktop.peripherals.mouse "speed" key
//    (-1 ... 1) when that schema is installed, otherwise libinput's
//    "libinput Accel Speed" property of every X pointer device (XInput2);
//  - wheel lines: KDE's WheelScrollLines in kdeglobals when KDE is running,
//    announced to running programs with KGlobalSettings' change signal.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <gio/gio.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/decimal.h"
#include "platform/atomic_file.h"
#include "gui/host_settings_desktop.h"
#include "settings/kde_config.h"

namespace orv::settings {
namespace {

constexpr const char* kGnomeMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kAccelProperty = "libinput Accel Speed";

// GSettings for the GNOME mouse schema, or null when it is not installed
// (g_settings_new would abort the program on a missing schema).
GSettings* OpenGnomeMouseSettings() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kGnomeMouseSchema, TRUE);
  if (!schema) return nullptr;
  const bool hasSpeed = g_settings_schema_has_key(schema, "speed");
  g_settings_schema_unref(schema);
  return hasSpeed ? g_settings_new(kGnomeMouseSchema) : nullptr;
}

// The X pointer devices that carry libinput's acceleration property.
struct XPointers {
  Display* display = nullptr;
  Atom property = None;
  Atom floatType = None;
  std::vector<int> devices;

  XPointers() {
    if (!std::getenv("DISPLAY")) return;
    display = XOpenDisplay(nullptr);
    if (!display) return;
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
      return;
    }
    property = XInternAtom(display, kAccelProperty, True);
    floatType = XInternAtom(display, "FLOAT", True);
    if (property == None || floatType == None) return;
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(display, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
      if (info[i].use != XISlavePointer || !info[i].enabled) continue;
      float value = 0;
      if (Read(info[i].deviceid, value)) devices.push_back(info[i].deviceid);
    }
    XIFreeDeviceInfo(info);
  }
  ~XPointers() {
    if (display) XCloseDisplay(display);
  }
  XPointers(const XPointers&) = delete;
  XPointers& operator=(const XPointers&) = delete;

  bool Read(int device, float& value) const {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const bool ok = XIGetProperty(display, device, property, 0, 1, False, floatType, &type, &format, &items, &after,
                                  &data) == Success &&
                    type == floatType && format == 32 && items == 1 && data;
    if (ok) std::memcpy(&value, data, sizeof value);
    if (data) XFree(data);
    return ok;
  }
  void Write(float value) const {
    for (int device : devices) {
      XIChangeProperty(display, device, property, floatType, 32, XIPropModeReplace,
                       reinterpret_cast<unsigned char*>(&value), 1);
    }
    XSync(display, False);
  }
};

// What KDE uses when kdeglobals does not say.
constexpr int32_t kKdeDefaultWheelLines = 3;

bool KdeRunning() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  return (desktop && std::strstr(desktop, "KDE")) || std::getenv("KDE_FULL_SESSION");
}

std::filesystem::path KdeGlobalsPath() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    return std::filesystem::path(config) / "kdeglobals";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : ".") / ".config" / "kdeglobals";
}

class DesktopHostSettings final : public HostSettings {
 public:
  bool GetPointerSpeed(int32_t& speed) override {
    if (GSettings* gnome = OpenGnomeMouseSettings()) {
      speed = PointerSpeedFromAccel(g_settings_get_double(gnome, "speed"));
      g_object_unref(gnome);
      return true;
    }
    XPointers pointers;
    float value = 0;
    if (pointers.devices.empty() || !pointers.Read(pointers.devices.front(), value)) return false;
    speed = PointerSpeedFromAccel(value);
    return true;
  }

  void SetPointerSpeed(int32_t speed) override {
    const double accel = AccelFromPointerSpeed(speed);
    if (GSettings* gnome = OpenGnomeMouseSettings()) {
      g_settings_set_double(gnome, "speed", accel);
      g_settings_sync();
      g_object_unref(gnome);
      return;
    }
    XPointers pointers;
    if (!pointers.devices.empty()) pointers.Write(static_cast<float>(accel));
  }

  bool GetWheelLines(int32_t& lines) override {
    if (!KdeRunning()) return false;
    const auto text = GetKdeConfigValue(ReadWholeFile(KdeGlobalsPath()).value_or(""), "KDE", "WheelScrollLines");
    lines = !text || text->empty() ? kKdeDefaultWheelLines : ReadDecimal(*text);
    return true;
  }

  void SetWheelLines(int32_t lines) override {
    if (!KdeRunning()) return;
    // A refusal (an immutable key or group) or a failed write leaves KDE as it was.
    if (const Outcome failed = WriteKdeConfigValue(KdeGlobalsPath(), "KDE", "WheelScrollLines", std::to_string(lines))) {
      log::Warning(log::kApply, "KDE's wheel scroll lines left as they were: " + failed->Text());
      return;
    }
    // Tell running KDE programs that mouse settings changed (SettingsChanged, SETTINGS_MOUSE).
    if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
      g_dbus_connection_emit_signal(bus, nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings", "notifyChange",
                                    g_variant_new("(ii)", 3, 0), nullptr);
      g_dbus_connection_flush_sync(bus, nullptr, nullptr);
      g_object_unref(bus);
    }
  }
};

}  // namespace

std::unique_ptr<HostSettings> MakeDesktopHostSettings() { return std::make_unique<DesktopHostSettings>(); }

}  // namespace orv::settings
