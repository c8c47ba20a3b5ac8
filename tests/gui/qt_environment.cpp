// One QApplication for the whole test binary, on the off-screen platform.
#include <QApplication>

#include "support/qt_environment.h"

namespace orv::test {
namespace {
[[maybe_unused]] ::testing::Environment* const kQt = AddQtEnvironment<QApplication>();
}  // namespace
}  // namespace orv::test
