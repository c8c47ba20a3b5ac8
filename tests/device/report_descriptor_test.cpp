// The report-descriptor reader: top-level collections with their usages, and
// report lengths counted with the report id byte.
#include "device/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv::device {
namespace {

using Bytes = std::vector<uint8_t>;

ReportDescriptorInfo Parse(const Bytes& d) { return ParseReportDescriptor(d.data(), d.size()); }

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A vendor collection with one report of `bytes` data bytes of the given main
// item (0x81 input, 0x91 output, 0xB1 feature) under report id `id`.
Bytes VendorCollection(uint8_t page, uint8_t id, uint8_t mainItem, uint8_t bytes) {
  return {0x06, page, 0xFF,   // Usage Page (vendor 0xFFxx)
          0x09, 0x01,         // Usage 1
          0xA1, 0x01,         // Collection (Application)
          0x85, id,           //   Report ID
          0x75, 0x08,         //   Report Size 8
          0x95, bytes,        //   Report Count
          0x09, 0x01,         //   Usage 1
          mainItem, 0x02,     //   Input/Output/Feature (Data, Var)
          0xC0};              // End Collection
}

// A mouse with report id 1: 5 buttons + 3 pad bits, X and Y 16-bit, wheel 8-bit.
const Bytes kPointer = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,  // pointer, physical collection
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x75, 0x01, 0x95, 0x05, 0x81, 0x02,  // 5 buttons
    0x75, 0x03, 0x95, 0x01, 0x81, 0x01,                                      // padding
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x75, 0x10, 0x95, 0x02, 0x81, 0x06,  // X, Y
    0x09, 0x38, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06,                          // wheel
    0xC0, 0xC0};

TEST(ReportDescriptor, MouseWithTwoVendorCollectionsSharingOneNode) {
  const ReportDescriptorInfo info =
      Parse(Join({kPointer, VendorCollection(0x00, 6, 0x81, 7), VendorCollection(0x01, 7, 0xB1, 7)}));
  ASSERT_EQ(info.collections.size(), 3u);
  EXPECT_TRUE(info.usesReportIds);
  EXPECT_EQ(info.collections[0], (HidCapabilities{0x01, 0x02, 7, 0, 0}));  // 6 data bytes + id
  EXPECT_EQ(info.collections[1], (HidCapabilities{0xFF00, 1, 8, 0, 0}));
  EXPECT_EQ(info.collections[2], (HidCapabilities{0xFF01, 1, 0, 0, 8}));
}

TEST(ReportDescriptor, WithoutReportIdsTheLengthsStillCountTheIdByte) {
  // A boot keyboard: 8 modifier bits, a reserved byte, 6 key bytes; 5 LED bits + 3 pad bits out.
  const Bytes keyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
                          0x75, 0x08, 0x95, 0x01, 0x81, 0x01, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02,
                          0x75, 0x03, 0x95, 0x01, 0x91, 0x01, 0x75, 0x08, 0x95, 0x06, 0x81, 0x00, 0xC0};
  const ReportDescriptorInfo info = Parse(keyboard);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_FALSE(info.usesReportIds);
  EXPECT_EQ(info.collections[0], (HidCapabilities{0x01, 0x06, 9, 2, 0}));
}

TEST(ReportDescriptor, LengthIsTheLongestReportOfTheCollection) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  //
                   0x85, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02,   // id 1: 3 bytes
                   0x85, 0x02, 0x95, 0x0A, 0x81, 0x02,               // id 2: 10 bytes
                   0xA1, 0x02, 0x95, 0x02, 0x81, 0x02, 0xC0,         // nested: 2 more bytes for id 2
                   0xC0,
                   0x75, 0x08, 0x95, 0x40, 0x81, 0x02};              // outside any collection: ignored
  const ReportDescriptorInfo info = Parse(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].InputReportByteLength, 13);
}

TEST(ReportDescriptor, FourByteUsageCarriesItsOwnPage) {
  const Bytes d = {0x05, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0};
  const ReportDescriptorInfo info = Parse(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].UsagePage, 0xFF00);
  EXPECT_EQ(info.collections[0].Usage, 1);
}

TEST(ReportDescriptor, PushAndPopRestoreTheGlobalState) {
  const Bytes d = {0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07, 0x75, 0x08, 0x95, 0x07,
                   0xA4,                                // Push
                   0x85, 0x09, 0x75, 0x01, 0x95, 0x01,  // id 9, 1 bit
                   0xB1, 0x02,                          //
                   0xB4,                                // Pop: id 7, 7 bytes again
                   0xB1, 0x02, 0xB4, 0xB4,              // Pops beyond the stack are ignored
                   0xC0};
  const ReportDescriptorInfo info = Parse(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].FeatureReportByteLength, 8);
}

TEST(ReportDescriptor, LongItemsAreSkippedAndTruncationKeepsWhatWasRead) {
  Bytes d = {0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC};  // long item of 3 data bytes
  const Bytes vendor = VendorCollection(0x00, 6, 0x81, 7);
  d.insert(d.end(), vendor.begin(), vendor.end());
  EXPECT_EQ(Parse(d).collections.size(), 1u);

  d.push_back(0x06);  // a Usage Page item missing its two data bytes
  d.push_back(0x01);
  const ReportDescriptorInfo info = Parse(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].InputReportByteLength, 8);

  const Bytes cut(vendor.begin(), vendor.begin() + 10);  // ends inside the Report Size item
  const ReportDescriptorInfo partial = Parse(cut);
  ASSERT_EQ(partial.collections.size(), 1u);
  EXPECT_EQ(partial.collections[0].InputReportByteLength, 0);
}

TEST(ReportDescriptor, HugeSizesAndCountsStayWithinSixteenBits) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF,
                   0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0xC0};
  const ReportDescriptorInfo info = Parse(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].InputReportByteLength, 0xFFFF);
}

TEST(ReportDescriptor, TopLevelCollectionsBeyondTheLimitAreIgnored) {
  Bytes d;
  for (size_t i = 0; i < kMaxTopLevelCollections + 5; ++i) {
    const Bytes c = VendorCollection(0x00, 6, 0x81, 7);
    d.insert(d.end(), c.begin(), c.end());
  }
  EXPECT_EQ(Parse(d).collections.size(), kMaxTopLevelCollections);
  EXPECT_TRUE(ParseReportDescriptor(nullptr, 10).collections.empty());
}

}  // namespace
}  // namespace orv::device
