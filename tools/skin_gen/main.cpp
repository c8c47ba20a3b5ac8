// orv_skin_gen: draws the default skin and writes its layout files, or renders
// a contact sheet of a skin folder for people to check it at a glance.
//
//   orv_skin_gen build <texts.tsv> <skins folder>
//   orv_skin_gen sheet <skins folder> <sheet.png> [en|tr]
//   orv_skin_gen icons <folder> <name>   (<folder>/<N>x<N>/apps/<name>.png)
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/skin_gen/contact_sheet.h"
#include "tools/skin_gen/icons.h"
#include "tools/skin_gen/pages.h"
#include "tools/skin_gen/texts.h"
#include "tools/skin_gen/writer.h"

namespace {

// Qt's notes about the desktop session (no runtime folder on a build machine)
// are no concern of a drawing tool; its warnings about our own work still show.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith(QStringLiteral("QStandardPaths:"))) return;
  qt_message_output(type, context, message);
}

int Usage() {
  std::fprintf(stderr,
               "usage: orv_skin_gen build <texts.tsv> <skins folder>\n"
               "       orv_skin_gen sheet <skins folder> <sheet.png> [en|tr]\n"
               "       orv_skin_gen icons <folder> <name>\n");
  return 2;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "orv_skin_gen: %s\n", error.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing needs no display: use the off-screen platform unless told otherwise.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc < 4) return Usage();
  qInstallMessageHandler(QuietMessages);
  QGuiApplication app(argc, argv);
  const std::string mode = argv[1];
  std::string error;
  if (mode == "build" && argc == 4) {
    orv::skin_gen::SkinTexts texts;
    if (!orv::skin_gen::ReadSkinTexts(argv[2], texts, error)) return Fail(error);
    const std::filesystem::path out = argv[3];
    if (const std::string problem = orv::skin_gen::ValidateGeometry(orv::skin_gen::SkinGeometry()); !problem.empty()) {
      return Fail(problem);
    }
    if (!orv::skin_gen::WriteLayouts(orv::skin_gen::SkinGeometry(), texts, out, error)) return Fail(error);
    if (!orv::skin_gen::WritePictures(orv::skin_gen::RenderAllPictures(1), out, error, 1)) return Fail(error);
    if (!orv::skin_gen::WritePictures(orv::skin_gen::RenderAllPictures(2), out, error, 2)) return Fail(error);
    return 0;
  }
  if (mode == "sheet" && (argc == 4 || argc == 5)) {
    const std::string lang = argc == 5 ? argv[4] : "en";
    if (lang != "en" && lang != "tr") return Usage();
    if (!orv::skin_gen::WriteContactSheet(argv[2], lang == "en", argv[3], error)) return Fail(error);
    return 0;
  }
  if (mode == "icons" && argc == 4) {
    if (!orv::skin_gen::WriteIcons(argv[2], argv[3], error)) return Fail(error);
    return 0;
  }
  return Usage();
}
