#pragma once
// The tests' mouse is the simulated mouse in memory (see
// device/simulated/simulated_mouse.h). These open its collections directly,
// for tests that drive a ReportChannel or the playback threads without
// discovery, and show reports as hex text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/report_text.h"
#include "device/simulated/simulated_mouse.h"

namespace orv::test {

using Report = std::vector<uint8_t>;

// The mouse's feature collection opened for writing (null while unplugged).
inline std::shared_ptr<device::HidWriter> OpenFeatures(device::SimulatedMouse& mouse) {
  device::OpenStatus status = device::OpenStatus::Failed;
  return mouse.OpenWrite(mouse.FeaturePath(), status);
}

// Its input collection opened for reading: Deliver() feeds it.
inline std::shared_ptr<device::InputReportSource> OpenInput(device::SimulatedMouse& mouse) {
  device::OpenStatus status = device::OpenStatus::Failed;
  return mouse.OpenRead(mouse.InputPath(), status);
}

// The first n bytes of a report (fewer if it is shorter): "07 10 01 01 00 00 00 00".
inline std::string FormatReport(const uint8_t* data, size_t length, size_t n = 8) {
  return device::HexBytes(data, std::min(length, n));
}
inline std::string FormatReport(const Report& report, size_t n = 8) {
  return FormatReport(report.data(), report.size(), n);
}

// The last feature report the mouse took; empty when it took none.
inline Report LastFeature(const device::SimulatedMouse& mouse) {
  const std::vector<Report> all = mouse.Features();
  return all.empty() ? Report{} : all.back();
}

}  // namespace orv::test
