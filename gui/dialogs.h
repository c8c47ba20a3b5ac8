#pragma once
// The modal dialogs of the main window: message boxes (captioned with the
// application's name, an OK button only), the About box, and the file and
// colour dialogs.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/app_port.h"

class QWidget;

namespace orv::app {

void ShowMessageBox(QWidget* owner, const std::string& text);
// The About box, with the program's icon.
void ShowAboutBox(QWidget* owner, const std::string& text);
std::optional<std::filesystem::path> ChooseFileDialog(QWidget* owner, const FileDialogOptions& options);
// The colour dialog; colours are 24-bit, red in the low byte.
std::optional<uint32_t> ChooseColourDialog(QWidget* owner, uint32_t initial);

}  // namespace orv::app
