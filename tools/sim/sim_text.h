#pragma once
// The readable side of the simulated mouse: feature reports from feature.log
// as command names and fields, button names, and lines for the input FIFO.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::sim {

// Every non-empty line of a feature.log, described; a line that is no report
// shows as "unreadable line: ..." so nothing is skipped silently.
std::vector<std::string> DescribeFeatureLog(std::string_view text);

// The wire code a button name stands for: "button0" ... "button6" (also
// "left", "right", "middle" for buttons 0 ... 2), or "wire1" ... "wire15" for
// any button event the mouse can send. Names are case-sensitive.
std::optional<uint8_t> WireCodeForName(std::string_view name);

// The input report of a press ("06 F1 01"; `data` is byte 2, the new level
// for a DPI button) and of a release ("06 F1 80").
std::string PressLine(uint8_t wireCode, uint8_t data = 1);
std::string ReleaseLine(uint8_t wireCode);

// Writes one line into <folder>/input. Fails (with a reason in `error`) when
// the FIFO is missing or no program is reading it.
bool SendFifoLine(const std::filesystem::path& folder, std::string_view line, std::string& error);

}  // namespace orv::sim
