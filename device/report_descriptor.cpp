#include "device/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>

namespace orv::device {
namespace {

// Item types of the short-item prefix.
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kTypeLocal = 2;

// Main item tags.
constexpr uint8_t kTagInput = 0x8;
constexpr uint8_t kTagOutput = 0x9;
constexpr uint8_t kTagCollection = 0xA;
constexpr uint8_t kTagFeature = 0xB;
constexpr uint8_t kTagEndCollection = 0xC;

// Global item tags.
constexpr uint8_t kTagUsagePage = 0x0;
constexpr uint8_t kTagReportSize = 0x7;
constexpr uint8_t kTagReportId = 0x8;
constexpr uint8_t kTagReportCount = 0x9;
constexpr uint8_t kTagPush = 0xA;
constexpr uint8_t kTagPop = 0xB;

// Local item tag.
constexpr uint8_t kTagUsage = 0x0;

constexpr uint8_t kLongItemPrefix = 0xFE;
// Deeper Push nesting than any real device uses is ignored, so a hostile
// descriptor cannot grow the stack without bound.
constexpr size_t kMaxPushDepth = 16;
// Bit totals stop growing here; far beyond any 16-bit byte length.
constexpr int64_t kBitCap = int64_t{1} << 40;

enum Kind { kInput = 0, kOutput = 1, kFeature = 2 };

struct Globals {
  uint32_t usagePage = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

// Bits per report id and kind of one top-level collection; -1 = no report of
// that kind under that id.
using ReportBits = std::map<uint8_t, std::array<int64_t, 3>>;

uint16_t ByteLength(const ReportBits& bits, Kind kind) {
  int64_t longest = -1;
  for (const auto& [id, perKind] : bits) longest = std::max(longest, perKind[kind]);
  if (longest < 0) return 0;
  const int64_t bytes = (longest + 7) / 8 + 1;  // data bytes plus the report id byte
  return static_cast<uint16_t>(std::min<int64_t>(bytes, 0xFFFF));
}

}  // namespace

ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size) {
  ReportDescriptorInfo info;
  if (data == nullptr) return info;

  std::vector<ReportBits> bits;
  Globals globals;
  std::vector<Globals> pushed;
  uint32_t firstUsage = 0;
  size_t firstUsageSize = 0;
  bool haveUsage = false;
  size_t depth = 0;
  bool collecting = false;  // inside a top-level collection that is kept

  size_t pos = 0;
  while (pos < size) {
    const uint8_t prefix = data[pos];
    if (prefix == kLongItemPrefix) {
      // Long items carry no data we use; skip them whole.
      if (size - pos < 3) break;
      const size_t length = data[pos + 1];
      if (size - pos - 3 < length) break;
      pos += 3 + length;
      continue;
    }
    const size_t sizeCode = prefix & 0x3u;
    const size_t n = sizeCode == 3 ? 4 : sizeCode;
    if (size - pos - 1 < n) break;
    uint32_t value = 0;
    for (size_t i = 0; i < n; ++i) value |= static_cast<uint32_t>(data[pos + 1 + i]) << (8 * i);
    const uint8_t type = (prefix >> 2) & 0x3u;
    const uint8_t tag = prefix >> 4;
    pos += 1 + n;

    if (type == kTypeGlobal) {
      switch (tag) {
        case kTagUsagePage: globals.usagePage = value & 0xFFFFu; break;
        case kTagReportSize: globals.reportSize = value; break;
        case kTagReportCount: globals.reportCount = value; break;
        case kTagReportId:
          globals.reportId = static_cast<uint8_t>(value);
          info.usesReportIds = true;
          break;
        case kTagPush:
          if (pushed.size() < kMaxPushDepth) pushed.push_back(globals);
          break;
        case kTagPop:
          if (!pushed.empty()) {
            globals = pushed.back();
            pushed.pop_back();
          }
          break;
        default: break;
      }
    } else if (type == kTypeLocal) {
      // A collection is named by the first usage before it.
      if (tag == kTagUsage && !haveUsage) {
        firstUsage = value;
        firstUsageSize = n;
        haveUsage = true;
      }
    } else if (type == kTypeMain) {
      switch (tag) {
        case kTagCollection:
          if (depth == 0 && info.collections.size() < kMaxTopLevelCollections) {
            HidCapabilities caps;
            // A four-byte usage carries its own usage page in the high half.
            caps.UsagePage = static_cast<uint16_t>(firstUsageSize == 4 ? firstUsage >> 16 : globals.usagePage);
            caps.Usage = static_cast<uint16_t>(firstUsage);
            info.collections.push_back(caps);
            bits.emplace_back();
            collecting = true;
          }
          ++depth;
          break;
        case kTagEndCollection:
          if (depth > 0 && --depth == 0) collecting = false;
          break;
        case kTagInput:
        case kTagOutput:
        case kTagFeature:
          if (collecting) {
            const Kind kind = tag == kTagInput ? kInput : tag == kTagOutput ? kOutput : kFeature;
            auto it = bits.back().try_emplace(globals.reportId, std::array<int64_t, 3>{-1, -1, -1}).first;
            int64_t& total = it->second[kind];
            // Both factors are 32-bit, so their product fits 64 unsigned bits.
            const uint64_t itemBits = static_cast<uint64_t>(globals.reportSize) * globals.reportCount;
            const int64_t added = static_cast<int64_t>(std::min<uint64_t>(itemBits, kBitCap));
            total = std::min(std::max<int64_t>(total, 0) + added, kBitCap);
          }
          break;
        default: break;
      }
      // Local items apply to the next main item only.
      haveUsage = false;
      firstUsage = 0;
      firstUsageSize = 0;
    }
  }

  for (size_t i = 0; i < info.collections.size(); ++i) {
    info.collections[i].InputReportByteLength = ByteLength(bits[i], kInput);
    info.collections[i].OutputReportByteLength = ByteLength(bits[i], kOutput);
    info.collections[i].FeatureReportByteLength = ByteLength(bits[i], kFeature);
  }
  return info;
}

}  // namespace orv::device
