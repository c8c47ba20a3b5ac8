#include "tools/sim/sim_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "device/report_text.h"
#include "device/wire_codes.h"
#include "device/report_protocol.h"
#include "device/simulated/simulated_mouse.h"
#include "macros/key_names.h"
#include "platform/whole_number.h"
#include "settings/mouse_settings.h"

namespace orv::sim {
namespace {

}  // namespace

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
      out.push_back(device::DescribeFeatureReport(parsed.report));
    }
  }
  return out;
}

std::optional<uint8_t> WireCodeForName(std::string_view name) {
  if (name == "left") return device::kButtonWireCodes[0];
  if (name == "right") return device::kButtonWireCodes[1];
  if (name == "middle") return device::kButtonWireCodes[2];
  // One or two decimal digits, else -1.
  auto number = [](std::string_view digits) -> int {
    const auto value = digits.size() <= 2 ? ParseDigits<int>(digits) : std::nullopt;
    return value.value_or(-1);
  };
  if (name.starts_with("button")) {
    const int button = number(name.substr(6));
    if (button >= 0 && button < settings::kButtonCount) return device::kButtonWireCodes[static_cast<size_t>(button)];
  }
  if (name.starts_with("wire")) {
    const int wire = number(name.substr(4));
    if (wire >= 1 && wire < device::kWireCodeCount) return static_cast<uint8_t>(wire);
  }
  return std::nullopt;
}

std::string PressLine(uint8_t wireCode, uint8_t data) {
  const uint8_t report[] = {device::INPUT_REPORT_ID, static_cast<uint8_t>(device::kButtonEventBase + (wireCode & 0x0F)), data};
  return device::HexBytes(report, sizeof report);
}

std::string ReleaseLine(uint8_t wireCode) { return PressLine(wireCode, device::kButtonReleased); }

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
