#pragma once
// A small reader of HID report descriptors: what the kernel gives for a hidraw
// node is the raw descriptor, while discovery needs, per top-level collection,
// its usage page and usage and the byte lengths of its reports. Lengths are
// counted the way the HID capabilities of the mouse's other host count them:
// the longest report of a kind, plus one byte for the report id (also when the
// device numbers no reports, where that byte is 0), and 0 when the collection
// has no report of that kind. The descriptor comes from the device, so every
// value is taken as untrusted.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::device {

struct HidCapabilities {
  uint16_t UsagePage = 0;
  uint16_t Usage = 0;
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  bool operator==(const HidCapabilities&) const = default;
};

struct ReportDescriptorInfo {
  // One entry per top-level collection, in descriptor order.
  std::vector<HidCapabilities> collections;
  // The descriptor declares report ids: every report then starts with its id.
  bool usesReportIds = false;
};

// At most this many top-level collections are kept; later ones are ignored.
inline constexpr size_t kMaxTopLevelCollections = 64;

// Reads what it can: a truncated or malformed item ends the reading, and the
// collections seen so far are kept. Never reads outside [data, data + size).
ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace orv::device
