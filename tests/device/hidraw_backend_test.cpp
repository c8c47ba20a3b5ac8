// The hidraw layer's parts that run without the mouse: the HID_ID property,
// and the reader's blocking read, interruption and report-id byte (on a pipe).
#include "device/hidraw/hidraw_backend.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace orv::device {
namespace {

TEST(ParseHidId, ReadsBusVendorAndProduct) {
  struct Case {
    const char* text;
    bool ok;
    uint16_t bus, vendor, product;
  };
  const Case cases[] = {
      {"0003:000018F8:00001086", true, 3, 0x18F8, 0x1086},
      {"0005:0000046d:0000b01a", true, 5, 0x046D, 0xB01A},
      {"0003:000118F8:00001086", false, 0, 0, 0},  // vendor beyond 16 bits
      {"0003:000018F8", false, 0, 0, 0},
      {"0003:000018F8:00001086x", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      {"0003::00001086", false, 0, 0, 0},
      {"0003:000018F8:00001086:1", false, 0, 0, 0},
      {"3:18f8:1086", true, 3, 0x18F8, 0x1086},
      {"0003:+18F8:00001086", false, 0, 0, 0},
      {"0003:0x18F8:00001086", false, 0, 0, 0},
      {"0003:FFFFFFFFFFFFFFFFFFFF:00001086", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    uint16_t bus = 0, vendor = 0, product = 0;
    EXPECT_EQ(ParseHidId(c.text, bus, vendor, product), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(bus, c.bus);
      EXPECT_EQ(vendor, c.vendor);
      EXPECT_EQ(product, c.product);
    }
  }
  uint16_t a, b, c;
  EXPECT_FALSE(ParseHidId(nullptr, a, b, c));
}

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (::pipe(fds) == 0) {
      read = fds[0];
      write = fds[1];
    }
  }
  ~Pipe() {
    if (write >= 0) ::close(write);
  }
  void Put(std::initializer_list<uint8_t> bytes) {
    const std::vector<uint8_t> v(bytes);
    ASSERT_EQ(::write(write, v.data(), v.size()), static_cast<ssize_t>(v.size()));
  }
};

TEST(HidrawReader, NumberedReportsComeAsTheyAre) {
  Pipe pipe;
  HidrawReader reader(pipe.read, true);
  pipe.Put({0x06, 0xF1, 0x01});
  uint8_t buffer[8] = {};
  EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), 3);
  EXPECT_EQ(buffer[0], 0x06);
  EXPECT_EQ(buffer[2], 0x01);
}

TEST(HidrawReader, UnnumberedReportsGetAZeroIdInFront) {
  Pipe pipe;
  HidrawReader reader(pipe.read, false);
  pipe.Put({0xAA, 0xBB});
  uint8_t buffer[8] = {0xFF};
  EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), 3);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 0xAA);
  EXPECT_EQ(buffer[2], 0xBB);
}

TEST(HidrawReader, InterruptEndsABlockedRead) {
  Pipe pipe;
  HidrawReader reader(pipe.read, true);
  uint8_t buffer[8];
  std::thread blocked([&] { EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1); });
  reader.Interrupt();
  blocked.join();
  pipe.Put({0x06});
  EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1);  // interrupted for good
}

TEST(HidrawReader, AVanishedDeviceFailsTheRead) {
  auto pipe = std::make_unique<Pipe>();
  HidrawReader reader(pipe->read, true);
  pipe.reset();  // write end closed: hang-up, as an unplugged node
  uint8_t buffer[8];
  EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1);
}

// The system call thread `tid` of this process sleeps in, from
// /proc/self/task/<tid>/syscall: -1 while it runs, nothing when the file
// cannot be read.
std::optional<long> SleepingIn(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
  if (!in) return std::nullopt;
  std::string first;
  in >> first;
  if (first.empty() || first == "running") return -1;
  return std::stol(first);
}

bool IsPoll(std::optional<long> call) {
#ifdef SYS_poll
  if (call == SYS_poll) return true;
#endif
  return call == SYS_ppoll;
}

// After a hang-up the reader says so once and then waits for Interrupt(): a
// reading loop must not wake again and again on a node that is gone.
TEST(HidrawReader, AHangUpIsToldOnceAndLaterReadsWaitForInterrupt) {
  if (!SleepingIn(static_cast<pid_t>(::syscall(SYS_gettid)))) GTEST_SKIP() << "no /proc/self/task/*/syscall";
  auto pipe = std::make_unique<Pipe>();
  std::vector<std::string> gone;
  HidrawReader reader(pipe->read, true, "/dev/hidraw7", [&](const std::string& path) { gone.push_back(path); });
  pipe.reset();
  uint8_t buffer[8];
  EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1);
  EXPECT_EQ(gone, std::vector<std::string>{"/dev/hidraw7"});

  std::atomic<pid_t> tid{0};
  std::atomic<bool> returned{false};
  std::thread second([&] {
    tid = static_cast<pid_t>(::syscall(SYS_gettid));
    EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1);
    returned = true;
  });
  // Either the read returns (the fault) or it goes to sleep in poll(), where
  // only the interruption can wake it: a poll() that still watched the gone
  // node would return at once instead of sleeping. The limit only keeps a
  // broken test from hanging.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!returned.load() && !(tid.load() != 0 && IsPoll(SleepingIn(tid.load()))) &&
         std::chrono::steady_clock::now() < limit) {
    std::this_thread::yield();
  }
  EXPECT_FALSE(returned.load()) << "a read after the hang-up returned before Interrupt()";
  reader.Interrupt();
  second.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(gone.size(), 1u);
}

// A node that turns readable but gives nothing has reached its end: that is a
// hang-up as well, never an empty report (or, without report ids, a lone id byte).
TEST(HidrawReader, AnEndedStreamIsAHangUpNotAnEmptyReport) {
  for (bool numbered : {true, false}) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    std::vector<std::string> gone;
    HidrawReader reader(fds[0], numbered, "/dev/hidraw7", [&](const std::string& path) { gone.push_back(path); });
    ::close(fds[1]);  // readable, and read() gives 0 bytes
    uint8_t buffer[8] = {0x06};
    EXPECT_EQ(reader.ReadReport(buffer, sizeof buffer), -1) << numbered;
    EXPECT_EQ(gone, std::vector<std::string>{"/dev/hidraw7"}) << numbered;
  }
}

}  // namespace
}  // namespace orv::device
