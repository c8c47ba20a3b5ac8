#include "device/simulated/simulated_mouse.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "device/device_link.h"
#include "device/report_text.h"
#include "platform/whole_number.h"

namespace orv::device {
namespace {

// Reports a reader has not taken yet; older ones are dropped beyond this, as
// the kernel does for a hidraw reader that falls behind.
constexpr size_t kMaxQueuedReports = 64;
// A FIFO line longer than this is no line of ours; it is dropped.
constexpr size_t kMaxLineLength = 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

// Named (not anonymous): SimulatedMouse::State, declared in the header, holds it.
namespace simulated {
class SimulatedReader;
}

struct SimulatedMouse::State {
  struct OpenOutcome {
    OpenStatus read = OpenStatus::Ok;
    OpenStatus write = OpenStatus::Ok;
  };

  explicit State(bool memory) : inMemory(memory) {}

  // Keeps a request of the host, in memory only (the folder mode runs for
  // hours and keeps nothing). Expects mutex to be held.
  void Note(std::string request) {
    if (inMemory) requests.push_back(std::move(request));
  }

  // Notes an open of `path` and tells how it ends. Expects mutex to be held.
  OpenStatus Open(bool forWriting, const std::string& path, bool present) {
    Note((forWriting ? "write " : "read ") + path);
    const bool listed = std::any_of(listing.begin(), listing.end(), [&](const auto& e) { return e.path == path; });
    if (!present || !plugged || !listed) return OpenStatus::Failed;
    const OpenOutcome outcome = outcomes[path];
    return forWriting ? outcome.write : outcome.read;
  }

  const bool inMemory;
  mutable std::mutex mutex;
  bool plugged = true;
  // Counts the unplugs: a collection opened before the last one is dead.
  uint64_t unplugs = 0;
  bool refusing = false;
  std::vector<HidInterfaceInfo> listing;
  std::map<std::string, OpenOutcome> outcomes;
  std::vector<std::weak_ptr<simulated::SimulatedReader>> readers;
  std::vector<std::vector<uint8_t>> features;  // in memory
  std::vector<std::string> requests;           // in memory
};

namespace simulated {

class SimulatedReader final : public InputReportSource {
 public:
  SimulatedReader(std::shared_ptr<SimulatedMouse::State> mouse, std::string path)
      : mouse_(std::move(mouse)), path_(std::move(path)) {}

  int ReadReport(uint8_t* data, size_t capacity) override {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return interrupted_ || !queue_.empty(); });
    if (interrupted_ || data == nullptr) return -1;
    const std::vector<uint8_t> report = std::move(queue_.front());
    queue_.pop_front();
    const size_t n = std::min(capacity, report.size());
    std::copy(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(n), data);
    return static_cast<int>(n);
  }

  void Interrupt() override {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = true;
    }
    ready_.notify_all();
    std::lock_guard lock(mouse_->mutex);
    mouse_->Note("interrupt " + path_);
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
  std::shared_ptr<SimulatedMouse::State> mouse_;
  std::string path_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::vector<uint8_t>> queue_;
  bool interrupted_ = false;
};

}  // namespace simulated

namespace {

using simulated::SimulatedReader;

class SimulatedWriter final : public HidWriter {
 public:
  // `log`: the folder's feature log; empty in memory.
  SimulatedWriter(std::shared_ptr<SimulatedMouse::State> mouse, uint64_t unplugs, const std::filesystem::path& log)
      : mouse_(std::move(mouse)),
        unplugs_(unplugs),
        fd_(log.empty() ? -1 : ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644)) {}
  ~SimulatedWriter() override {
    if (fd_ >= 0) ::close(fd_);
  }
  SimulatedWriter(const SimulatedWriter&) = delete;
  SimulatedWriter& operator=(const SimulatedWriter&) = delete;

  bool SetFeature(const uint8_t* data, size_t length) override {
    {
      std::lock_guard lock(mouse_->mutex);
      // An unplugged mouse takes nothing, and a collection from before an
      // unplug stays dead.
      if (!mouse_->plugged || mouse_->unplugs != unplugs_ || mouse_->refusing) return false;
      if (mouse_->inMemory) {
        if (data == nullptr || length == 0) return false;
        mouse_->features.emplace_back(data, data + length);
        return true;
      }
    }
    if (fd_ < 0 || data == nullptr || length == 0) return false;
    const std::string line = HexBytes(data, length) + "\n";
    // One write() per line on an append-only descriptor: the line lands whole
    // and is visible to readers of the log at once.
    return ::write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }

 private:
  std::shared_ptr<SimulatedMouse::State> mouse_;
  uint64_t unplugs_;
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

SimulatedMouse::SimulatedMouse() : state_(std::make_shared<State>(true)) { state_->listing = VendorCollections(); }

SimulatedMouse::SimulatedMouse(std::filesystem::path folder)
    : folder_(std::move(folder)), state_(std::make_shared<State>(false)) {
  state_->listing = VendorCollections();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder_, ec)) return;  // no mouse for this run

  const std::filesystem::path fifo = folder_ / kInputFifoName;
  if (::mkfifo(fifo.c_str(), 0600) != 0 && errno != EEXIST) return;
  struct stat info{};
  if (::stat(fifo.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) return;
  if (stop_.fd() < 0) return;
  // Opened for reading and writing: the FIFO then never reports end of file
  // when a writer goes away, and the next writer is read as well.
  fifoFd_ = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fifoFd_ < 0) return;
  reader_ = std::thread([this] { ReadFifo(); });
}

SimulatedMouse::~SimulatedMouse() {
  if (reader_.joinable()) {
    stop_.Signal();
    reader_.join();
  }
  if (fifoFd_ >= 0) ::close(fifoFd_);
}

std::string SimulatedMouse::InputPath() const { return (folder_ / kSimulatedInputPath).string(); }
std::string SimulatedMouse::FeaturePath() const { return (folder_ / kSimulatedFeaturePath).string(); }

std::vector<HidInterfaceInfo> SimulatedMouse::VendorCollections() const {
  auto collection = [](std::string path, uint16_t usagePage) {
    return HidInterfaceInfo{.path = std::move(path),
                            .vendorId = kMouseVendorId,
                            .productId = kMouseProductId,
                            .caps = {.UsagePage = usagePage,
                                     .Usage = kVendorUsage,
                                     .InputReportByteLength = kSimulatedReportLength,
                                     .FeatureReportByteLength = kSimulatedReportLength}};
  };
  return {collection(InputPath(), kInputUsagePage), collection(FeaturePath(), kFeatureUsagePage)};
}

bool SimulatedMouse::Present() const {
  if (state_->inMemory) return true;
  std::error_code ec;
  return std::filesystem::is_directory(folder_, ec);
}

std::vector<HidInterfaceInfo> SimulatedMouse::ListInterfaces() {
  const bool present = Present();
  std::lock_guard lock(state_->mutex);
  state_->Note("list");
  if (!present || !state_->plugged) return {};
  return state_->listing;
}

std::shared_ptr<InputReportSource> SimulatedMouse::OpenRead(const std::string& path, OpenStatus& status) {
  const bool present = Present();
  std::lock_guard lock(state_->mutex);
  status = state_->Open(false, path, present);
  if (status != OpenStatus::Ok) return nullptr;
  auto reader = std::make_shared<SimulatedReader>(state_, path);
  std::erase_if(state_->readers, [](const auto& weak) { return weak.expired(); });
  state_->readers.push_back(reader);
  return reader;
}

std::shared_ptr<HidWriter> SimulatedMouse::OpenWrite(const std::string& path, OpenStatus& status) {
  const bool present = Present();
  std::lock_guard lock(state_->mutex);
  status = state_->Open(true, path, present);
  if (status != OpenStatus::Ok) return nullptr;
  const std::filesystem::path log = state_->inMemory ? std::filesystem::path() : folder_ / kFeatureLogName;
  return std::make_shared<SimulatedWriter>(state_, state_->unplugs, log);
}

DeviceEventSource* SimulatedMouse::Events() {
  std::lock_guard lock(state_->mutex);
  state_->Note("events");
  return &events_;
}

void SimulatedMouse::HandleLine(std::string_view line) {
  SimulatedLine parsed = ParseSimulatedLine(line);
  switch (parsed.kind) {
    case SimulatedLine::Kind::Invalid: return;
    case SimulatedLine::Kind::Report: Deliver(std::move(parsed.report)); return;
    case SimulatedLine::Kind::Plug: SetPlugged(true); return;
    case SimulatedLine::Kind::Unplug: SetPlugged(false); return;
  }
}

void SimulatedMouse::Deliver(std::vector<uint8_t> report) {
  std::vector<std::shared_ptr<SimulatedReader>> readers;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->plugged) return;
    std::erase_if(state_->readers, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : state_->readers) {
      if (auto reader = weak.lock()) readers.push_back(std::move(reader));
    }
  }
  for (const auto& reader : readers) reader->Deliver(report);
}

void SimulatedMouse::SetPlugged(bool plugged) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->plugged && !plugged) ++state_->unplugs;
    state_->plugged = plugged;
  }
  const auto kind = plugged ? DeviceEvent::Kind::Arrival : DeviceEvent::Kind::Removal;
  events_.Post({kind, InputPath()});
  events_.Post({kind, FeaturePath()});
}

void SimulatedMouse::SetListing(std::vector<HidInterfaceInfo> listing) {
  std::lock_guard lock(state_->mutex);
  state_->listing = std::move(listing);
}

void SimulatedMouse::SetOpenStatus(const std::string& path, OpenStatus read, OpenStatus write) {
  std::lock_guard lock(state_->mutex);
  state_->outcomes[path] = {read, write};
}

void SimulatedMouse::SetRefusing(bool refusing) {
  std::lock_guard lock(state_->mutex);
  state_->refusing = refusing;
}

std::vector<std::vector<uint8_t>> SimulatedMouse::Features() const {
  std::lock_guard lock(state_->mutex);
  return state_->features;
}

std::vector<std::string> SimulatedMouse::Requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

void SimulatedMouse::ReadFifo() {
  std::string pending;
  bool discarding = false;  // inside an over-long line, up to its end
  char chunk[512];
  for (;;) {
    pollfd fds[2] = {{fifoFd_, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
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
