#pragma once
// Texts the pages show that the layout files do not hold: a mouse button's
// function label and the Record button's two states.
#include <cstdint>
#include <string>

#include "macros/macro_model.h"
#include "skin/layout.h"

namespace orv::skin {

// The label of a mouse button with function `code`: the function's name, or
// for codes 41 ... 52 the name of user macro code - 41. Codes outside 0 ... 52
// have no label.
std::string FunctionLabel(int32_t code, const SkinLayout& layout, const macros::MacroTables* macros);
// The Advanced page's Record button: "Stop" while recording.
std::string RecordButtonText(int32_t language, bool recording);

}  // namespace orv::skin
