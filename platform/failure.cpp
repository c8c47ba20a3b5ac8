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

Failure AboutFile(const std::filesystem::path& file, Failure failure) {
  std::string text = failure.Text();
  if (text.find(file.string()) != std::string::npos) return failure;
  return Failure{{}, file, std::move(text)};
}

std::string JoinedText(const std::vector<Failure>& failures, std::string_view separator) {
  std::string text;
  for (const Failure& failure : failures) {
    if (!text.empty()) text += separator;
    text += failure.Text();
  }
  return text;
}

Failure SystemFailure(std::string what, std::filesystem::path where, int err) {
  return Failure{std::move(what), std::move(where), std::strerror(err)};
}

}  // namespace orv
