#pragma once
// An in-memory HID listing for discovery tests: entries as the test lists
// them, opens that succeed or fail as the test says, and a record of every open.
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid_transport.h"
#include "support/recording_hid.h"

namespace orv::test {

// Input reports the test pushes; ReadInput blocks until one is there.
class QueueReader final : public device::InputCollection {
 public:
  int ReadInput(uint8_t* data, size_t length) override {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return cancelled_ || !queue_.empty(); });
    if (cancelled_) return -1;
    Report r = std::move(queue_.front());
    queue_.pop_front();
    lengths_.push_back(length);
    const size_t n = std::min(length, r.size());
    std::copy(r.begin(), r.begin() + static_cast<std::ptrdiff_t>(n), data);
    return static_cast<int>(n);
  }
  void Cancel() override {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    ready_.notify_all();
  }
  void Push(Report r) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(r));
    }
    ready_.notify_all();
  }
  bool Cancelled() {
    std::lock_guard lock(mutex_);
    return cancelled_;
  }
  std::vector<size_t> Lengths() {
    std::lock_guard lock(mutex_);
    return lengths_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Report> queue_;
  std::vector<size_t> lengths_;
  bool cancelled_ = false;
};

class FakeHidBackend final : public device::HidBackend {
 public:
  std::vector<device::HidInterfaceInfo> listing;
  std::map<std::string, device::OpenStatus> readStatus;   // missing: Ok
  std::map<std::string, device::OpenStatus> writeStatus;  // missing: Ok
  std::vector<std::string> opens;                         // "read <path>" / "write <path>"
  std::vector<std::shared_ptr<QueueReader>> readers;
  std::vector<std::shared_ptr<RecordingHid>> writers;

  // What the program asked of the backend, in order: "list", "events" (and the opens).
  std::vector<std::string> requests;

  std::vector<device::HidInterfaceInfo> ListInterfaces() override {
    requests.push_back("list");
    return listing;
  }

  std::shared_ptr<device::InputCollection> OpenRead(const std::string& path, device::OpenStatus& status) override {
    opens.push_back("read " + path);
    status = readStatus.count(path) ? readStatus[path] : device::OpenStatus::Ok;
    if (status != device::OpenStatus::Ok) return nullptr;
    readers.push_back(std::make_shared<QueueReader>());
    return readers.back();
  }

  std::shared_ptr<device::HidWriter> OpenWrite(const std::string& path, device::OpenStatus& status) override {
    opens.push_back("write " + path);
    status = writeStatus.count(path) ? writeStatus[path] : device::OpenStatus::Ok;
    if (status != device::OpenStatus::Ok) return nullptr;
    writers.push_back(std::make_shared<RecordingHid>());
    return writers.back();
  }

  device::DeviceEventSource* Events() override {
    requests.push_back("events");
    return nullptr;
  }
};

inline device::HidInterfaceInfo Interface(std::string path, uint16_t vendor, uint16_t product, uint16_t page,
                                          uint16_t usage, uint16_t inputLength = 0, uint16_t featureLength = 0) {
  device::HidInterfaceInfo info;
  info.path = std::move(path);
  info.vendorId = vendor;
  info.productId = product;
  info.caps.UsagePage = page;
  info.caps.Usage = usage;
  info.caps.InputReportByteLength = inputLength;
  info.caps.FeatureReportByteLength = featureLength;
  return info;
}

}  // namespace orv::test
