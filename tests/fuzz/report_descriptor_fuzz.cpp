// Feeds arbitrary bytes to the report-descriptor reader, which takes its input
// from the device: it must never read outside the descriptor, keep its limits,
// and read a cut-off descriptor as the same collections, in the same order,
// as far as the cut.
#include <cstddef>
#include <cstdint>

#include "device/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using orv::device::ParseReportDescriptor;
  const orv::device::ReportDescriptorInfo full = ParseReportDescriptor(data, size);
  if (full.collections.size() > orv::device::kMaxTopLevelCollections) __builtin_trap();

  const orv::device::ReportDescriptorInfo cut = ParseReportDescriptor(data, size / 2);
  if (cut.collections.size() > full.collections.size()) __builtin_trap();
  for (size_t i = 0; i < cut.collections.size(); ++i) {
    if (cut.collections[i].UsagePage != full.collections[i].UsagePage ||
        cut.collections[i].Usage != full.collections[i].Usage) {
      __builtin_trap();
    }
    // Reading on can only add to a collection's reports.
    if (cut.collections[i].InputReportByteLength > full.collections[i].InputReportByteLength ||
        cut.collections[i].FeatureReportByteLength > full.collections[i].FeatureReportByteLength) {
      __builtin_trap();
    }
  }
  if (cut.usesReportIds && !full.usesReportIds) __builtin_trap();
  return 0;
}
