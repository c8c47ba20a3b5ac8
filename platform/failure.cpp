#include "platform/failure.h"

#include <cstring>

namespace orv {

std::string Failure::Text() const {
  std::string text = what;
  if (!where.empty()) text += " " + where.string();
  if (!reason.empty()) text += ": " + reason;
  return text;
}

Failure SystemFailure(std::string what, std::filesystem::path where, int err) {
  return Failure{std::move(what), std::move(where), std::strerror(err)};
}

}  // namespace orv
