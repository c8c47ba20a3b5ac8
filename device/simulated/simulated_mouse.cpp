#include "device/simulated/simulated_mouse.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "device/device_link.h"
#include "platform/whole_number.h"

namespace orv::device {
namespace {

// Reports a reader has not taken yet; older ones are dropped beyond this, as
// the kernel does for a hidraw reader that falls behind.
constexpr size_t kMaxQueuedReports = 64;
// A FIFO line longer than this is no line of ours; it is dropped.
constexpr size_t kMaxLineLength = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SignalEventFd(int fd) {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t written = ::write(fd, &one, sizeof one);
}

}  // namespace

// Named (not anonymous): SimulatedMouse::State, declared in the header, holds it.
namespace simulated {

class SimulatedReader final : public InputCollection {
 public:
  int ReadInput(uint8_t* data, size_t length) override {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return cancelled_ || !queue_.empty(); });
    if (cancelled_ || data == nullptr) return -1;
    const std::vector<uint8_t> report = std::move(queue_.front());
    queue_.pop_front();
    const size_t n = std::min(length, report.size());
    std::copy(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(n), data);
    return static_cast<int>(n);
  }

  void Cancel() override {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    ready_.notify_all();
  }

  void Deliver(const std::vector<uint8_t>& report) {
    {
      std::lock_guard lock(mutex_);
      if (queue_.size() == kMaxQueuedReports) queue_.pop_front();
      queue_.push_back(report);
    }
    ready_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::vector<uint8_t>> queue_;
  bool cancelled_ = false;
};

}  // namespace simulated

namespace {

using simulated::SimulatedReader;

class SimulatedEvents final : public DeviceEventSource {
 public:
  SimulatedEvents() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~SimulatedEvents() override {
    if (fd_ >= 0) ::close(fd_);
  }
  SimulatedEvents(const SimulatedEvents&) = delete;
  SimulatedEvents& operator=(const SimulatedEvents&) = delete;

  int fd() const override { return fd_; }

  std::vector<DeviceEvent> DrainEvents() override {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(fd_, &count, sizeof count);
    std::lock_guard lock(mutex_);
    std::vector<DeviceEvent> events(pending_.begin(), pending_.end());
    pending_.clear();
    return events;
  }

  void Post(DeviceEvent event) {
    {
      std::lock_guard lock(mutex_);
      pending_.push_back(std::move(event));
    }
    SignalEventFd(fd_);
  }

 private:
  int fd_;
  std::mutex mutex_;
  std::deque<DeviceEvent> pending_;
};

}  // namespace

struct SimulatedMouse::State {
  std::mutex mutex;
  bool plugged = true;
  std::vector<std::weak_ptr<simulated::SimulatedReader>> readers;
};

namespace {

class SimulatedWriter final : public HidWriter {
 public:
  SimulatedWriter(std::shared_ptr<SimulatedMouse::State> state, const std::filesystem::path& log)
      : state_(std::move(state)), fd_(::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)) {}
  ~SimulatedWriter() override {
    if (fd_ >= 0) ::close(fd_);
  }
  SimulatedWriter(const SimulatedWriter&) = delete;
  SimulatedWriter& operator=(const SimulatedWriter&) = delete;

  bool SetFeature(const uint8_t* data, size_t length) override {
    {
      std::lock_guard lock(state_->mutex);
      if (!state_->plugged) return false;  // an unplugged mouse takes nothing
    }
    if (fd_ < 0 || data == nullptr || length == 0) return false;
    const std::string line = HexLine(data, length) + "\n";
    // One write() per line on an append-only descriptor: the line lands whole
    // and is visible to readers of the log at once.
    return ::write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }

 private:
  std::shared_ptr<SimulatedMouse::State> state_;
  int fd_;
};

}  // namespace

SimulatedLine ParseSimulatedLine(std::string_view line) {
  SimulatedLine out;
  size_t begin = 0, end = line.size();
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  const std::string_view text = line.substr(begin, end - begin);
  if (text == "plug") {
    out.kind = SimulatedLine::Kind::Plug;
    return out;
  }
  if (text == "unplug") {
    out.kind = SimulatedLine::Kind::Unplug;
    return out;
  }
  if (text.empty()) return out;

  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    size_t tokenEnd = i;
    while (tokenEnd < text.size() && !IsBlank(text[tokenEnd])) ++tokenEnd;
    const std::string_view token = text.substr(i, tokenEnd - i);
    i = tokenEnd;
    // One byte: one or two hexadecimal digits.
    const auto value = token.size() <= 2 ? ParseDigits<uint8_t>(token, 16) : std::nullopt;
    if (!value) return out;
    if (bytes.size() == kSimulatedReportLength) return out;  // longer than a report
    bytes.push_back(*value);
  }
  bytes.resize(kSimulatedReportLength, 0);
  out.kind = SimulatedLine::Kind::Report;
  out.report = std::move(bytes);
  return out;
}

std::string HexLine(const uint8_t* data, size_t length) {
  std::string text;
  text.reserve(length * 3);
  for (size_t i = 0; i < length; ++i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", data[i]);
    if (i > 0) text += ' ';
    text += hex;
  }
  return text;
}

SimulatedMouse::SimulatedMouse(std::filesystem::path folder)
    : folder_(std::move(folder)), state_(std::make_shared<State>()), events_(std::make_unique<SimulatedEvents>()) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder_, ec)) return;  // no mouse for this run

  const std::filesystem::path fifo = folder_ / kInputFifoName;
  if (::mkfifo(fifo.c_str(), 0600) != 0 && errno != EEXIST) return;
  struct stat info{};
  if (::stat(fifo.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) return;
  // Opened for reading and writing: the FIFO then never reports end of file
  // when a writer goes away, and the next writer is read as well.
  fifoFd_ = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fifoFd_ < 0 || stopFd_ < 0) {
    if (fifoFd_ >= 0) ::close(fifoFd_);
    if (stopFd_ >= 0) ::close(stopFd_);
    fifoFd_ = stopFd_ = -1;
    return;
  }
  reader_ = std::thread([this] { ReadFifo(); });
}

SimulatedMouse::~SimulatedMouse() {
  if (reader_.joinable()) {
    SignalEventFd(stopFd_);
    reader_.join();
  }
  if (fifoFd_ >= 0) ::close(fifoFd_);
  if (stopFd_ >= 0) ::close(stopFd_);
}

std::string SimulatedMouse::InputPath() const { return (folder_ / kSimulatedInputPath).string(); }
std::string SimulatedMouse::FeaturePath() const { return (folder_ / kSimulatedFeaturePath).string(); }

std::vector<HidInterfaceInfo> SimulatedMouse::ListInterfaces() {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder_, ec)) return {};
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->plugged) return {};
  }
  HidInterfaceInfo input;
  input.path = InputPath();
  input.vendorId = kMouseVendorId;
  input.productId = kMouseProductId;
  input.caps.UsagePage = kInputUsagePage;
  input.caps.Usage = kVendorUsage;
  input.caps.InputReportByteLength = kSimulatedReportLength;
  input.caps.FeatureReportByteLength = kSimulatedReportLength;
  HidInterfaceInfo feature = input;
  feature.path = FeaturePath();
  feature.caps.UsagePage = kFeatureUsagePage;
  return {input, feature};
}

std::shared_ptr<InputCollection> SimulatedMouse::OpenRead(const std::string& path, OpenStatus& status) {
  status = OpenStatus::Failed;
  if (path != InputPath() || ListInterfaces().empty()) return nullptr;
  auto reader = std::make_shared<SimulatedReader>();
  {
    std::lock_guard lock(state_->mutex);
    state_->readers.push_back(reader);
  }
  status = OpenStatus::Ok;
  return reader;
}

std::shared_ptr<HidWriter> SimulatedMouse::OpenWrite(const std::string& path, OpenStatus& status) {
  status = OpenStatus::Failed;
  if (path != FeaturePath() || ListInterfaces().empty()) return nullptr;
  status = OpenStatus::Ok;
  return std::make_shared<SimulatedWriter>(state_, folder_ / kFeatureLogName);
}

DeviceEventSource* SimulatedMouse::Events() { return events_.get(); }

void SimulatedMouse::HandleLine(std::string_view line) {
  const SimulatedLine parsed = ParseSimulatedLine(line);
  auto* events = static_cast<SimulatedEvents*>(events_.get());
  switch (parsed.kind) {
    case SimulatedLine::Kind::Invalid: return;
    case SimulatedLine::Kind::Report: {
      std::vector<std::shared_ptr<SimulatedReader>> readers;
      {
        std::lock_guard lock(state_->mutex);
        if (!state_->plugged) return;
        std::erase_if(state_->readers, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : state_->readers) {
          if (auto reader = weak.lock()) readers.push_back(std::move(reader));
        }
      }
      for (const auto& reader : readers) reader->Deliver(parsed.report);
      return;
    }
    case SimulatedLine::Kind::Plug:
    case SimulatedLine::Kind::Unplug: {
      const bool plug = parsed.kind == SimulatedLine::Kind::Plug;
      {
        std::lock_guard lock(state_->mutex);
        state_->plugged = plug;
      }
      // The system announces each interface of the device; so does this.
      const auto kind = plug ? DeviceEvent::Kind::Arrival : DeviceEvent::Kind::Removal;
      events->Post({kind, InputPath()});
      events->Post({kind, FeaturePath()});
      return;
    }
  }
}

void SimulatedMouse::ReadFifo() {
  std::string pending;
  bool discarding = false;  // inside an over-long line, up to its end
  char chunk[512];
  for (;;) {
    pollfd fds[2] = {{fifoFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || fds[1].revents != 0) return;
    if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    const ssize_t n = ::read(fifoFd_, chunk, sizeof chunk);
    if (n <= 0) continue;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        if (!discarding) HandleLine(pending);
        pending.clear();
        discarding = false;
      } else if (!discarding) {
        pending += c;
        if (pending.size() > kMaxLineLength) {
          pending.clear();
          discarding = true;
        }
      }
    }
  }
}

}  // namespace orv::device
