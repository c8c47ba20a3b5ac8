#include "gui/dialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "gui/app_icon.h"
#include "gui/qt_values.h"

namespace orv::app {

void ShowMessageBox(QWidget* owner, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), Q(text), QMessageBox::Ok, owner);
  box.exec();
}

void ShowAboutBox(QWidget* owner, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), Q(text), QMessageBox::Ok, owner);
  box.setIconPixmap(AppIcon().pixmap(48, 48));
  box.exec();
}

std::optional<std::filesystem::path> ChooseFileDialog(QWidget* owner, const FileDialogOptions& options) {
  QFileDialog dialog(owner);
  dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(options.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  QString filter = Q(options.filterName);
  if (!filter.contains('(')) filter += " (" + Q(options.pattern) + ")";
  dialog.setNameFilter(filter);
  dialog.setDirectory(QString::fromStdString(options.initialFolder.string()));
  if (!options.defaultExtension.empty()) dialog.setDefaultSuffix(Q(options.defaultExtension));
  if (!options.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

std::optional<uint32_t> ChooseColourDialog(QWidget* owner, uint32_t initial) {
  const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(start, owner);
  if (!chosen.isValid()) return std::nullopt;
  return uint32_t(chosen.red()) | (uint32_t(chosen.green()) << 8) | (uint32_t(chosen.blue()) << 16);
}

}  // namespace orv::app
