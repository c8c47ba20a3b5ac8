#pragma once
// One Qt application object for a whole test binary (fonts, text drawing,
// pixmaps, widgets, the event loop need it), on the off-screen platform unless
// QT_QPA_PLATFORM says otherwise. A binary registers it once:
//   [[maybe_unused]] auto* const kQt = orv::test::AddQtEnvironment<QApplication>();
#include <gtest/gtest.h>

#include <QtGlobal>
#include <memory>

namespace orv::test {

template <typename App>
class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<App>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[12] = "orv_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<App> app_;
};

template <typename App>
::testing::Environment* AddQtEnvironment() {
  return ::testing::AddGlobalTestEnvironment(new QtEnvironment<App>);
}

}  // namespace orv::test
