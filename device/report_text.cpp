#include "device/report_text.h"

#include <algorithm>
#include <cstdio>

#include "device/input_report.h"
#include "device/report_protocol.h"
#include "device/wire_codes.h"
#include "macros/key_names.h"

namespace orv::device {
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
  const auto* found = std::find(kDpiStepCodes.begin(), kDpiStepCodes.end(), stepCode);
  if (found != kDpiStepCodes.end()) {
    text += " step " + std::to_string(found - kDpiStepCodes.begin());
  } else {
    text += " step code " + std::to_string(stepCode);
  }
  text += " (" + std::to_string(DpiShownForStepCode(static_cast<uint8_t>(stepCode))) + " DPI)";
  text += " active " + std::to_string(static_cast<int>(r[2]) - 0x40);
  text += " enabled " + BitRanges(r[4], kLevelCount);
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
  return "CMD_LIGHTING " + mode + " colours " + BitRanges(r[2], kCycleColourCount);
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
  if (report[0] != FEATURE_REPORT_ID) return "report id " + Hex2(report[0]);
  const std::vector<uint8_t>& r = report;
  switch (r[1]) {
    case CMD_DPI_LEVEL: return DescribeDpiLevel(r);
    case CMD_BUTTON_FUNCTION: {
      const uint8_t wire = r[2];
      const unsigned button = wire < kWireCodeCount ? buttonIndexByWireCode[wire] : kNoButtonIndex;
      const std::string who = button < unsigned{kButtonCount} ? "button " + std::to_string(button) : "no button";
      return "CMD_BUTTON_FUNCTION " + who + " (wire " + std::to_string(wire) + ") device function " +
             std::to_string(r[3]);
    }
    case CMD_WHEEL_STATUS: return "CMD_WHEEL_STATUS " + std::to_string(r[2]);
    case CMD_FIRE_TIME: {
      const unsigned units = static_cast<unsigned>(r[2]) << 8 | r[3];
      return "CMD_FIRE_TIME " + std::to_string(units) + " units (" + std::to_string(units * 8) + " ms)";
    }
    case CMD_LIGHTING: return DescribeLighting(r);
    case CMD_LEVEL_COLOUR:
      return "CMD_LEVEL_COLOUR level " + std::to_string(r[2] >> 5) + " R " + std::to_string(r[3] >> 4) + " G " +
             std::to_string(r[2] & 0x1F) + " B " + std::to_string(r[3] & 0x0F);
    case CMD_KEY_STATE: return DescribeKeys(r);
    case CMD_BUTTON_STATE: return DescribeButtons(r);
    case CMD_CONSUMER_KEY: {
      const uint16_t usage = static_cast<uint16_t>(r[2] << 8 | r[3]);
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", usage);
      return std::string("CMD_CONSUMER_KEY ") + hex + " (" + ConsumerName(usage) + ")";
    }
    case CMD_HOST_EXIT: return "CMD_HOST_EXIT";
    default: return "unknown command " + Hex2(r[1]);
  }
}

std::string DescribeInputReport(const uint8_t* data, size_t length) {
  const InputEvent e = DecodeInputReport(data, length);
  switch (e.kind) {
    case InputEvent::Kind::Ignored: return "ignored input report " + HexBytes(data, length);
    case InputEvent::Kind::Other: return "input report " + HexBytes(data, length);
    default: break;
  }
  return std::string(e.released ? "release" : "press") + " of wire code " + std::to_string(e.wireCode) +
         " data " + std::to_string(e.data) + " (" + HexBytes(data, length) + ")";
}

std::string HexBytes(const uint8_t* data, size_t length, std::string_view separator) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(length * (2 + separator.size()));
  for (size_t i = 0; i < length; ++i) {
    if (i) out += separator;
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

}  // namespace orv::device
