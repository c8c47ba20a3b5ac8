#include "skin/page_texts.h"

#include <mutex>

#include "device/ktr580.h"

namespace orv::skin {

std::string FunctionLabel(int32_t code, const SkinLayout& layout, const macros::MacroTables* macros) {
  // Only the mouse's codes have a label; a damaged profile may hold any number.
  const device::Function f = device::FunctionOf(code);
  if (f.kind != device::FunctionKind::UserMacro) {
    return f.nameSlot >= 0 && f.nameSlot < kFunctionNameSlots ? layout.FunctionNames[static_cast<size_t>(f.nameSlot)]
                                                              : std::string();
  }
  if (macros == nullptr) return {};
  std::lock_guard lock(macros->mutex);
  return macros::MacroName(macros->userMacros[static_cast<size_t>(f.index)]);
}

std::string RecordButtonText(int32_t language, bool recording) {
  if (language != 0) return recording ? "Stop" : "Record";
  return recording ? "Durdur" : "Kayıt";
}

}  // namespace orv::skin
