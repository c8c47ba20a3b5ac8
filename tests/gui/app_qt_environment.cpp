// One QGuiApplication for the whole test binary (event loop, pixmaps), on the
// off-screen platform.
#include <QGuiApplication>

#include "support/qt_environment.h"

namespace orv::test {
namespace {
[[maybe_unused]] ::testing::Environment* const kQt = AddQtEnvironment<QGuiApplication>();
}  // namespace
}  // namespace orv::test
