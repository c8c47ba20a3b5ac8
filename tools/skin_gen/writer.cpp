#include "tools/skin_gen/writer.h"

#include <QFile>
#include <QImageWriter>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/text_codec.h"
#include "skin/layout.h"
#include "gui/picture.h"
#include "skin/picture_names.h"
#include "gui/region.h"

namespace orv::skin_gen {
namespace {

namespace pic = orv::skin::pictures;

std::string RectValue(const std::string& id, const QRect& r, const std::string& text) {
  std::ostringstream v;
  v << id << ',' << r.x() << ',' << r.y() << ',' << r.width() << ',' << r.height() << ',' << text << ',';
  return v.str();
}

// Elements drawn as a control or a text need a text; the others may have none.
bool NeedsText(Look look) {
  switch (look) {
    case Look::Text:
    case Look::Heading:
    case Look::Title:
    case Look::Button:
    case Look::PrimaryButton:
    case Look::DialogButton:
    case Look::Tab:
    case Look::Chip:
    case Look::Checkbox: return true;
    default: return false;
  }
}

struct FileBuilder {
  std::ostringstream out;
  void Comment(const std::string& text) { out << "; " << text << '\n'; }
  void Section(const char* name) { out << '\n' << '[' << name << "]\n"; }
  void Key(int key, const std::string& value) { out << key << '=' << value << '\n'; }
};

bool ButtonPositions(const Geometry& g, const SkinTexts& texts, Family family, int count, bool english,
                     FileBuilder& file, std::string& error) {
  TextTable table = TextTable::Main;
  TableOf(family, table);
  file.Section("BUTTONPOS");
  for (int i = 0; i < count; ++i) {
    const Element* e = g.Find(family, i);
    if (!e || e->rect.isEmpty()) {
      file.Key(i, RectValue("unused", QRect(), ""));
      continue;
    }
    const std::string text = texts.Get(table, i, english);
    if (NeedsText(e->look) && text.empty()) {
      error = "element " + e->id + " needs a text in both languages";
      return false;
    }
    file.Key(i, RectValue(e->id, e->rect, text));
  }
  return true;
}

void ControlRects(const Geometry& g, Family family, const char* section, std::initializer_list<int> keys,
                  FileBuilder& file) {
  file.Section(section);
  for (int key : keys) {
    const Element* e = g.Find(family, key);
    file.Key(key, RectValue(e ? e->id : "unused", e ? e->rect : QRect(), ""));
  }
}

bool Save(const std::filesystem::path& path, const std::string& content, std::string& error) {
  // Every value must survive the reader's buffer unchanged.
  std::istringstream lines(content);
  for (std::string line; std::getline(lines, line);) {
    if (Utf8ToUtf16(line).size() >= skin::kItemListCapacity) {
      error = path.filename().string() + ": value too long: " + line;
      return false;
    }
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.good()) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

bool WriteLayouts(const Geometry& g, const SkinTexts& texts, const std::filesystem::path& skinDir,
                  std::string& error) {
  // Every text must belong to a rectangle of its layout.
  for (const auto& entry : texts.entries) {
    const auto [table, index] = entry.first;
    if (table == TextTable::Function) {
      if (index < 1 || index > skin::kFunctionNameKeys) {
        error = "function name " + std::to_string(index) + " is outside 1 ... 54";
        return false;
      }
      continue;
    }
    bool placed = false;
    for (const Family f : {Family::Main, Family::Color, Family::Advanced, Family::Warning}) {
      TextTable t;
      const Element* e = g.Find(f, index);
      if (TableOf(f, t) && t == table && e && !e->rect.isEmpty()) placed = true;
    }
    if (!placed) {
      error = "a text is given for entry " + std::to_string(index) + " of a layout where it has no rectangle";
      return false;
    }
  }
  for (int k = 1; k <= skin::kFunctionNameKeys; ++k) {
    if (texts.Get(TextTable::Function, k, true).empty() || texts.Get(TextTable::Function, k, false).empty()) {
      error = "function name " + std::to_string(k) + " is missing in a language";
      return false;
    }
  }
  for (const bool english : {true, false}) {
    const int32_t language = english ? 1 : 0;
    const std::string heading = std::string("Default skin layout (") + (english ? "English" : "Turkish") +
                                "), made by orv_skin_gen from its geometry and resources/skin/texts.tsv.";
    const std::string format = "Entries: name, x, y, width, height, text, each followed by a comma.";

    FileBuilder main;
    main.Comment(heading);
    main.Comment(format);
    if (!ButtonPositions(g, texts, Family::Main, skin::kMainEntries, english, main, error)) return false;
    main.Section("FUN_STRING");
    for (int k = 1; k <= skin::kFunctionNameKeys; ++k) main.Key(k, texts.Get(TextTable::Function, k, english));

    FileBuilder color;
    color.Comment(heading);
    color.Comment(format);
    if (!ButtonPositions(g, texts, Family::Color, skin::kColorEntries, english, color, error)) return false;

    FileBuilder advanced;
    advanced.Comment(heading);
    advanced.Comment(format);
    if (!ButtonPositions(g, texts, Family::Advanced, skin::kAdvancedEntries, english, advanced, error)) return false;
    ControlRects(g, Family::Edit, "EDIT", {2, 3, 4}, advanced);
    ControlRects(g, Family::MacroDisplay, "MACRODISPLAY", {1, 2}, advanced);

    FileBuilder warning;
    warning.Comment(heading);
    warning.Comment(format);
    if (!ButtonPositions(g, texts, Family::Warning, skin::kWarningEntries, english, warning, error)) return false;

    using skin::LayoutFile;
    if (!Save(skin::LayoutPath(skinDir, language, LayoutFile::Main), main.out.str(), error) ||
        !Save(skin::LayoutPath(skinDir, language, LayoutFile::Color), color.out.str(), error) ||
        !Save(skin::LayoutPath(skinDir, language, LayoutFile::Advanced), advanced.out.str(), error) ||
        !Save(skin::LayoutPath(skinDir, language, LayoutFile::Warning), warning.out.str(), error)) {
      return false;
    }
  }
  return true;
}

bool WritePictures(const std::map<std::string, QImage>& pictures, const std::filesystem::path& skinDir,
                   std::string& error, int scale) {
  std::filesystem::create_directories(skinDir);
  const std::set<std::string> masks = {pic::kMainMask, pic::kWarningMask, pic::kMenuMask, pic::kSubMenuMask};
  for (const auto& [name, image] : pictures) {
    const std::filesystem::path path = scale == 1 ? skinDir / name : skin::HiResPath(skinDir / name);
    QImageWriter writer(QFile::decodeName(QByteArray(path.c_str())), "jpeg");
    // Masks are grey pictures of pure black and white at full quality; the
    // pages keep their fine lines at 95.
    writer.setQuality(masks.count(name) ? 100 : 95);
    writer.setOptimizedWrite(true);
    if (!writer.write(image)) {
      error = "cannot write " + path.string() + ": " + writer.errorString().toStdString();
      return false;
    }
    if (masks.count(name)) {
      const skin::MaskShape decoded = skin::RegionFromMask(path);
      if (!decoded.loaded || decoded.region != skin::RegionFromMaskImage(image)) {
        error = path.filename().string() + ": compression moved a pixel across the window/hole threshold";
        return false;
      }
    }
  }
  return true;
}

}  // namespace orv::skin_gen
