#include "tools/sim/sim_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/report_protocol.h"
#include "device/simulated_mouse.h"
#include "macros/key_names.h"
#include "platform/whole_number.h"
#include "settings/mouse_settings.h"

namespace orv::sim {
namespace {

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
  return text;
}

// "0-4", "0,2,4-5" or "none" for the set bits 0 ... count-1 of mask.
std::string BitRanges(unsigned mask, int count) {
  std::string out;
  for (int k = 0; k < count;) {
    if ((mask & (1u << k)) == 0) {
      ++k;
      continue;
    }
    int end = k;
    while (end + 1 < count && (mask & (1u << (end + 1))) != 0) ++end;
    if (!out.empty()) out += ',';
    out += std::to_string(k);
    if (end > k) out += "-" + std::to_string(end);
    k = end + 1;
  }
  return out.empty() ? "none" : out;
}

const char* ConsumerName(uint16_t usage) {
  switch (usage) {
    case 0x0223: return "AC Home";
    case 0x0183: return "AL Consumer Control Configuration";
    case 0x018A: return "AL Email Reader";
    case 0x00E9: return "Volume Increment";
    case 0x00EA: return "Volume Decrement";
    case 0x00B6: return "Scan Previous Track";
    case 0x00B5: return "Scan Next Track";
    case 0x00E2: return "Mute";
    case 0x00CD: return "Play/Pause";
    case 0x0192: return "AL Calculator";
    default: return "unknown usage";
  }
}

std::string DescribeDpiLevel(const std::vector<uint8_t>& r) {
  const unsigned stepCode = r[3] >> 4;
  const int level = static_cast<int>(r[3] & 0x0F) - 8;
  std::string text = "CMD_DPI_LEVEL level " + std::to_string(level);
  const auto* found = std::find(settings::kDpiStepCodes.begin(), settings::kDpiStepCodes.end(), stepCode);
  if (found != settings::kDpiStepCodes.end()) {
    text += " step " + std::to_string(found - settings::kDpiStepCodes.begin());
  } else {
    text += " step code " + std::to_string(stepCode);
  }
  text += " (" + std::to_string(settings::DpiShownForStepCode(static_cast<uint8_t>(stepCode))) + " DPI)";
  text += " active " + std::to_string(static_cast<int>(r[2]) - 0x40);
  text += " enabled " + BitRanges(r[4], settings::kLevelCount);
  return text;
}

std::string DescribeLighting(const std::vector<uint8_t>& r) {
  const uint8_t b = r[3];
  std::string mode;
  if (b == 0x86) {
    mode = "mode 2";
  } else if (b == 0x87) {
    mode = "mode 3";
  } else if ((b & 0xF0) == 0x80) {
    mode = "mode 0 cycle time " + std::to_string(b & 0x0F);
  } else if ((b & 0xF0) == 0x90) {
    mode = "mode 1 cycle time " + std::to_string(b & 0x0F);
  } else {
    mode = "lighting byte " + Hex2(b);
  }
  return "CMD_LIGHTING " + mode + " colours " + BitRanges(r[2], settings::kCycleColourCount);
}

std::string DescribeKeys(const std::vector<uint8_t>& r) {
  std::string text = "CMD_KEY_STATE";
  bool any = false;
  for (size_t i = 2; i < 8; ++i) {
    if (r[i] == 0) continue;
    text += " " + macros::KeyNameFor(r[i]);
    any = true;
  }
  return any ? text : text + " none";
}

std::string DescribeButtons(const std::vector<uint8_t>& r) {
  static constexpr const char* kNames[] = {"left", "right", "middle"};
  std::string text = "CMD_BUTTON_STATE held";
  bool any = false;
  for (int bit = 0; bit < 3; ++bit) {
    if ((r[3] & (1u << bit)) != 0) continue;  // a clear bit is a held button
    text += " ";
    text += kNames[bit];
    any = true;
  }
  return any ? text : text + " none";
}

}  // namespace

std::string DescribeFeatureReport(const std::vector<uint8_t>& report) {
  if (report.size() < 8) return "short report of " + std::to_string(report.size()) + " bytes";
  if (report[0] != device::FEATURE_REPORT_ID) return "report id " + Hex2(report[0]);
  const std::vector<uint8_t>& r = report;
  switch (r[1]) {
    case device::CMD_DPI_LEVEL: return DescribeDpiLevel(r);
    case device::CMD_BUTTON_FUNCTION: {
      const uint8_t wire = r[2];
      const unsigned button = wire < settings::kWireCodeCount ? settings::buttonIndexByWireCode[wire] : settings::kNoButton;
      const std::string who = button < settings::kButtonCount ? "button " + std::to_string(button) : "no button";
      return "CMD_BUTTON_FUNCTION " + who + " (wire " + std::to_string(wire) + ") device function " +
             std::to_string(r[3]);
    }
    case device::CMD_WHEEL_STATUS: return "CMD_WHEEL_STATUS " + std::to_string(r[2]);
    case device::CMD_FIRE_TIME: {
      const unsigned units = static_cast<unsigned>(r[2]) << 8 | r[3];
      return "CMD_FIRE_TIME " + std::to_string(units) + " units (" + std::to_string(units * 8) + " ms)";
    }
    case device::CMD_LIGHTING: return DescribeLighting(r);
    case device::CMD_LEVEL_COLOUR:
      return "CMD_LEVEL_COLOUR level " + std::to_string(r[2] >> 5) + " R " + std::to_string(r[3] >> 4) + " G " +
             std::to_string(r[2] & 0x1F) + " B " + std::to_string(r[3] & 0x0F);
    case device::CMD_KEY_STATE: return DescribeKeys(r);
    case device::CMD_BUTTON_STATE: return DescribeButtons(r);
    case device::CMD_CONSUMER_KEY: {
      const uint16_t usage = static_cast<uint16_t>(r[2] << 8 | r[3]);
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", usage);
      return std::string("CMD_CONSUMER_KEY ") + hex + " (" + ConsumerName(usage) + ")";
    }
    case device::CMD_HOST_EXIT: return "CMD_HOST_EXIT";
    default: return "unknown command " + Hex2(r[1]);
  }
}

std::vector<std::string> DescribeFeatureLog(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    const device::SimulatedLine parsed = device::ParseSimulatedLine(line);
    if (parsed.kind != device::SimulatedLine::Kind::Report) {
      out.push_back("unreadable line: " + std::string(line));
    } else {
      out.push_back(DescribeFeatureReport(parsed.report));
    }
  }
  return out;
}

std::optional<uint8_t> WireCodeForName(std::string_view name) {
  if (name == "left") return settings::kButtonWireCodes[0];
  if (name == "right") return settings::kButtonWireCodes[1];
  if (name == "middle") return settings::kButtonWireCodes[2];
  // One or two decimal digits, else -1.
  auto number = [](std::string_view digits) -> int {
    const auto value = digits.size() <= 2 ? ParseDigits<int>(digits) : std::nullopt;
    return value.value_or(-1);
  };
  if (name.starts_with("button")) {
    const int button = number(name.substr(6));
    if (button >= 0 && button < settings::kButtonCount) return settings::kButtonWireCodes[static_cast<size_t>(button)];
  }
  if (name.starts_with("wire")) {
    const int wire = number(name.substr(4));
    if (wire >= 1 && wire < settings::kWireCodeCount) return static_cast<uint8_t>(wire);
  }
  return std::nullopt;
}

std::string PressLine(uint8_t wireCode, uint8_t data) {
  const uint8_t report[] = {device::INPUT_REPORT_ID, static_cast<uint8_t>(0xF0 + (wireCode & 0x0F)), data};
  return device::HexLine(report, sizeof report);
}

std::string ReleaseLine(uint8_t wireCode) { return PressLine(wireCode, 0x80); }

bool SendFifoLine(const std::filesystem::path& folder, std::string_view line, std::string& error) {
  const std::filesystem::path fifo = folder / device::kInputFifoName;
  // Non-blocking: with no program reading, the open fails instead of waiting.
  const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENXIO ? "no program is reading " + fifo.string() : fifo.string() + ": " + std::strerror(errno);
    return false;
  }
  const std::string text = std::string(line) + "\n";
  // A line shorter than the pipe's atomic size arrives whole.
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (!ok) error = fifo.string() + ": " + std::strerror(errno);
  ::close(fd);
  return ok;
}

}  // namespace orv::sim
