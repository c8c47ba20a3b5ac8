#include "gui/qt_log.h"

#include <QLoggingCategory>
#include <QString>
#include <cstring>

#include "gui/exit_signals.h"

namespace orv::app {
namespace {

const QLoggingCategory& CategoryFor(std::string_view name) {
  static const QLoggingCategory device("orv.device");
  static const QLoggingCategory files("orv.files");
  static const QLoggingCategory apply("orv.apply");
  static const QLoggingCategory playback("orv.playback");
  static const QLoggingCategory other("orv.app");
  if (name == log::kDevice) return device;
  if (name == log::kFiles) return files;
  if (name == log::kApply) return apply;
  if (name == log::kPlayback) return playback;
  return other;
}

QtMessageHandler gToolkitHandler = nullptr;

// The toolkit's messages are written as before; the one it gives just before
// it ends the process for a broken display connection ends it here instead,
// telling the mouse first (EndForLostDisplay).
void OnToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (gToolkitHandler != nullptr) gToolkitHandler(type, context, message);
  if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke"))) EndForLostDisplay();
}

}  // namespace

void QtLogSink::Write(log::Level level, std::string_view category, std::string_view text) {
  const QLoggingCategory& c = CategoryFor(category);
  const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  switch (level) {
    case log::Level::Debug: qCDebug(c).noquote() << message; break;
    case log::Level::Info: qCInfo(c).noquote() << message; break;
    case log::Level::Warning: qCWarning(c).noquote() << message; break;
    case log::Level::Error: qCCritical(c).noquote() << message; break;
  }
}

bool VerboseSwitchPresent(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], "--verbose") == 0) return true;
  }
  return false;
}

void InstallQtLogging(bool verbose) {
  static QtLogSink sink;
  const bool debug = verbose || log::DebugRequestedByEnvironment();
  log::SetDebugEnabled(debug);
  // Qt shows debug and info lines of any category by default; ours are
  // written only when asked for, so the rule just keeps Qt from hiding them.
  if (debug) QLoggingCategory::setFilterRules(QStringLiteral("orv.*=true"));
  qSetMessagePattern(QStringLiteral("%{category}: %{if-debug}debug%{endif}%{if-info}info%{endif}"
                                    "%{if-warning}warning%{endif}%{if-critical}error%{endif}: %{message}"));
  log::SetSink(&sink);
  if (gToolkitHandler == nullptr) gToolkitHandler = qInstallMessageHandler(OnToolkitMessage);
}

}  // namespace orv::app
