#pragma once
// Reports as readable text: what a feature report tells the mouse and what an
// input report says, e.g. "CMD_DPI_LEVEL level 3 step 7 (2000 DPI) active 1
// enabled 0-4". Used by the debug log and by the simulated mouse's tools.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv::device {

std::string DescribeFeatureReport(const std::vector<uint8_t>& report);
// An input report of the read collection: a button press or release with its
// wire code and data byte, or the raw bytes of anything else.
std::string DescribeInputReport(const uint8_t* data, size_t length);
// Bytes as upper-case hex pairs, "07 10 01 01" (the simulated mouse's
// feature log and input lines, and the debug log, are written this way).
std::string HexBytes(const uint8_t* data, size_t length, std::string_view separator = " ");

}  // namespace orv::device
