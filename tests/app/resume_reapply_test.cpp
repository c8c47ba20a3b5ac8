#include "app/resume_reapply.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/app_fixture.h"
#include "app/shell.h"
#include "support/fake_clock.h"

namespace orv::test {
namespace {

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
    return std::make_unique<app::ResumeReapply>([this] { return app::ApplyReachedMouse(s, port); }, clock);
  }
  FakeClock clock;
};

TEST_F(ResumeReapplyTest, TheApplyIsRetriedUntilTheMouseTakesIt) {
  auto mouse = std::make_shared<WakingMouse>(2);
  s.session.channel.SetWriteCollection(device::HandleState::Open, mouse, 8);
  auto retry = Retrier();
  retry->OnResume();
  clock.RunCalls();
  EXPECT_EQ(retry->Tries(), 3u);
  EXPECT_EQ(clock.callsAsked, (std::vector<uint32_t>{500, 1000}));
  EXPECT_EQ(clock.Now(), 1500 * kNanosPerMs) << "the third try comes 1.5 s after the resume";
  EXPECT_EQ(mouse->offered, 66);
  EXPECT_EQ(mouse->taken, 22) << "the whole profile got through once";
  EXPECT_FALSE(retry->Waiting());
}

TEST_F(ResumeReapplyTest, AMouseThatNeverAnswersIsGivenUpQuietly) {
  auto mouse = std::make_shared<WakingMouse>(1000);
  s.session.channel.SetWriteCollection(device::HandleState::Open, mouse, 8);
  auto retry = Retrier();
  retry->OnResume();
  clock.RunCalls();
  EXPECT_EQ(retry->Tries(), 5u);
  EXPECT_EQ(clock.callsAsked, (std::vector<uint32_t>{500, 1000, 2000, 4000}));
  EXPECT_EQ(clock.Now(), 7500 * kNanosPerMs);
  EXPECT_FALSE(clock.CallPending());
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(ResumeReapplyTest, AWriteCollectionThatIsNotOpenCountsAsNotThereYet) {
  for (device::HandleState state : {device::HandleState::NeverOpened, device::HandleState::Invalid}) {
    FakeClock t;
    s.session.channel.SetWriteCollection(state, hid, 8);
    app::ResumeReapply retry([this] { return app::ApplyReachedMouse(s, port); }, t);
    retry.OnResume();
    EXPECT_TRUE(retry.Waiting());
    // The mouse is back before the next try.
    s.session.channel.SetWriteCollection(device::HandleState::Open, hid, 8);
    t.RunCalls();
    EXPECT_EQ(retry.Tries(), 2u);
    EXPECT_EQ(t.callsAsked, std::vector<uint32_t>{500});
  }
}

TEST_F(ResumeReapplyTest, AResumeAtOnceTakesAndANewResumeStartsOver) {
  auto retry = Retrier();
  retry->OnResume();
  EXPECT_EQ(retry->Tries(), 1u);
  EXPECT_FALSE(clock.CallPending());
  EXPECT_EQ(mouse.Features().size(), 22u);

  // A second resume while a try waits: the waiting try is dropped and the
  // pauses start again from the shortest.
  mouse.SetRefusing(true);
  retry->OnResume();
  clock.AdvanceMs(300);
  retry->OnResume();
  EXPECT_EQ(clock.cancels, 1);
  EXPECT_EQ(retry->Tries(), 1u);
  EXPECT_EQ(clock.callsAsked, (std::vector<uint32_t>{500, 500}));
  retry->Stop();
  EXPECT_FALSE(clock.CallPending());
  EXPECT_FALSE(retry->Waiting());
}

}  // namespace
}  // namespace orv::test
