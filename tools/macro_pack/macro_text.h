#pragma once
// A readable description of macros, turned into records for a macro file.
//
//   # Lines starting with '#' are comments; blank lines are ignored.
//   macro Copy              <- starts a macro; the rest of the line is its name (UTF-8, at most 19 UTF-16 units)
//   mode once               <- once | counted | held | a number 0 ... 255 (default once)
//   repeat 1                <- passes for counted mode, 0 ... 65535 (default 1)
//   LCONTROL down 30        <- key, action, delay in ms after the event
//   C down 30
//   C up 30ms               <- the delay may carry the letters "ms"
//   code:224 up 30          <- a numeric input code instead of a key name
//   end                     <- closes the macro
//
// Keys are the names the event list shows (letters in either case; the
// apostrophe key is written "'"), or code:N for any code 0 ... 255. Actions are
// down, up or a number 0 ... 255. A file holds at most 12 macros of at most 255
// events each.
#include <string>
#include <string_view>
#include <vector>

#include "macros/macro_model.h"

namespace orv::macros {

struct MacroTextError {
  int line = 0;  // 1-based line of the input the message is about
  std::string message;
};

// Parses `text` into `records` (appended in order). Returns false and fills
// `error` on the first bad line.
bool ParseMacroText(std::string_view text, std::vector<MacroRecord>& records, MacroTextError& error);

}  // namespace orv::macros
