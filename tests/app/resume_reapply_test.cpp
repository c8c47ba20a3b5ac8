#include "app/resume_reapply.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/app_fixture.h"
#include "app/shell.h"

namespace orv::test {
namespace {

// A timer on a clock of its own: Run() lets time pass call by call, as the
// window's event loop would, and notes when each call came due.
class FakeTimer final : public app::TimerPort {
 public:
  uint64_t nowMs = 0;
  std::vector<uint32_t> requested;  // the pauses asked for, in order
  int cancels = 0;

  void CallAfter(uint32_t ms, std::function<void()> fn) override {
    requested.push_back(ms);
    due_ = nowMs + ms;
    call_ = std::move(fn);
  }
  void CancelCall() override {
    ++cancels;
    call_ = nullptr;
  }
  bool Pending() const { return static_cast<bool>(call_); }
  // Runs due calls until none is left (a guard stops a runaway series).
  void Run() {
    for (int guard = 0; Pending() && guard < 100; ++guard) {
      nowMs = due_;
      std::function<void()> call = std::move(call_);
      call_ = nullptr;
      call();
    }
  }

 private:
  uint64_t due_ = 0;
  std::function<void()> call_;
};

// A mouse that is not back yet: it refuses every report of the first
// `failingApplies` Applies (22 reports each), then takes them.
class WakingMouse final : public device::HidWriter {
 public:
  explicit WakingMouse(int failingApplies) : refusals_(22 * failingApplies) {}
  bool SetFeature(const uint8_t*, size_t) override {
    ++offered;
    if (refusals_ > 0) {
      --refusals_;
      return false;
    }
    ++taken;
    return true;
  }
  int offered = 0;
  int taken = 0;

 private:
  int refusals_;
};

class ResumeReapplyTest : public AppFixture {
 protected:
  std::unique_ptr<app::ResumeReapply> Retrier() {
    return std::make_unique<app::ResumeReapply>([this] { return app::ApplyReachedMouse(s, port); }, timer);
  }
  FakeTimer timer;
};

TEST_F(ResumeReapplyTest, TheApplyIsRetriedUntilTheMouseTakesIt) {
  auto mouse = std::make_shared<WakingMouse>(2);
  s.session.channel.SetWriteCollection(device::HandleState::Open, mouse, 8);
  auto retry = Retrier();
  retry->OnResume();
  timer.Run();
  EXPECT_EQ(retry->Tries(), 3u);
  EXPECT_EQ(timer.requested, (std::vector<uint32_t>{500, 1000}));
  EXPECT_EQ(timer.nowMs, 1500u) << "the third try comes 1.5 s after the resume";
  EXPECT_EQ(mouse->offered, 66);
  EXPECT_EQ(mouse->taken, 22) << "the whole profile got through once";
  EXPECT_FALSE(retry->Waiting());
}

TEST_F(ResumeReapplyTest, AMouseThatNeverAnswersIsGivenUpQuietly) {
  auto mouse = std::make_shared<WakingMouse>(1000);
  s.session.channel.SetWriteCollection(device::HandleState::Open, mouse, 8);
  auto retry = Retrier();
  retry->OnResume();
  timer.Run();
  EXPECT_EQ(retry->Tries(), 5u);
  EXPECT_EQ(timer.requested, (std::vector<uint32_t>{500, 1000, 2000, 4000}));
  EXPECT_EQ(timer.nowMs, 7500u);
  EXPECT_FALSE(timer.Pending());
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(ResumeReapplyTest, AWriteCollectionThatIsNotOpenCountsAsNotThereYet) {
  for (device::HandleState state : {device::HandleState::NeverOpened, device::HandleState::Invalid}) {
    FakeTimer t;
    s.session.channel.SetWriteCollection(state, hid, 8);
    app::ResumeReapply retry([this] { return app::ApplyReachedMouse(s, port); }, t);
    retry.OnResume();
    EXPECT_TRUE(retry.Waiting());
    // The mouse is back before the next try.
    s.session.channel.SetWriteCollection(device::HandleState::Open, hid, 8);
    t.Run();
    EXPECT_EQ(retry.Tries(), 2u);
    EXPECT_EQ(t.requested, std::vector<uint32_t>{500});
  }
}

TEST_F(ResumeReapplyTest, AResumeAtOnceTakesAndANewResumeStartsOver) {
  auto retry = Retrier();
  retry->OnResume();
  EXPECT_EQ(retry->Tries(), 1u);
  EXPECT_FALSE(timer.Pending());
  EXPECT_EQ(mouse.Features().size(), 22u);

  // A second resume while a try waits: the waiting try is dropped and the
  // pauses start again from the shortest.
  mouse.SetRefusing(true);
  retry->OnResume();
  timer.nowMs += 300;
  retry->OnResume();
  EXPECT_EQ(timer.cancels, 1);
  EXPECT_EQ(retry->Tries(), 1u);
  EXPECT_EQ(timer.requested, (std::vector<uint32_t>{500, 500}));
  retry->Stop();
  EXPECT_FALSE(timer.Pending());
  EXPECT_FALSE(retry->Waiting());
}

}  // namespace
}  // namespace orv::test
