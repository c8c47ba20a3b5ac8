#include "platform/failure.h"

#include <cstring>

namespace orv {

std::string Failure::Text() const {
  std::string text = what;
  if (!where.empty()) text += (text.empty() ? "" : " ") + where.string();
  if (!reason.empty()) text += (text.empty() ? "" : ": ") + reason;
  return text;
}

Failure AboutFile(const std::filesystem::path& file, std::string text) {
  if (text.find(file.string()) != std::string::npos) return Failure::Of(std::move(text));
  return Failure{{}, file, std::move(text)};
}

Failure SystemFailure(std::string what, std::filesystem::path where, int err) {
  return Failure{std::move(what), std::move(where), std::strerror(err)};
}

}  // namespace orv
