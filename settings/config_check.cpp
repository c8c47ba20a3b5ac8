#include "settings/config_check.h"

#include <unistd.h>

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/file_problem.h"
#include "platform/private_profile.h"
#include "settings/config_file.h"

namespace orv::settings {

// Generated at build time from resources/config/config.ini (embed_file.cmake).
extern const unsigned char kShippedConfigBytes[];
extern const std::size_t kShippedConfigBytes_size;

namespace {

bool HoldsConfiguration(const IniDocument& doc) {
  if (doc.HasSection("Init")) return true;
  for (int32_t n = kFirstUserProfile; n <= kExchangeProfile; ++n) {
    if (doc.HasSection(ProfileSectionName(n, false, 0))) return true;
  }
  for (int32_t n = kFirstFactoryProfile; n <= kLastUserProfile; ++n) {
    if (doc.HasSection(ProfileSectionName(n, true, 0))) return true;
  }
  return doc.HasSection(ProfileSectionName(kLastUserProfile, true, 1));
}

// FileProblem's words before the system's reason.
constexpr const char* kUnreadablePrefix = "unreadable: ";
constexpr const char* kRunsOnDefaults = "The program runs on the default settings, and nothing can be saved.";

// The shipped configuration to stand in for the user's: the data folder's
// when it is another file and holds a configuration, else the built-in one.
std::string ShippedConfigBytes(const ProgramFolders& folders) {
  const std::filesystem::path data = PortableConfigPath(folders.data);
  if (data != folders.configPath) {
    if (auto bytes = ReadWholeFile(data); bytes && HoldsConfiguration(IniDocument::Parse(*bytes))) return *bytes;
  }
  return std::string(ShippedConfigText());
}

// Serves the configuration file (and, when its folder is the unusable one,
// the user macro files) from the shipped copies, refusing every save.
void ServeShippedDefaults(const ProgramFolders& folders, const std::string& refusal, bool macroFilesToo) {
  ServeReadOnly(folders.configPath, ShippedConfigBytes(folders), refusal);
  if (!macroFilesToo) return;
  for (const char* name : {names::kEnglishMacroFile, names::kTurkishMacroFile}) {
    std::optional<std::string> bytes = ReadWholeFile(folders.user / name);
    if (!bytes) bytes = ReadWholeFile(folders.data / name);
    ServeReadOnly(folders.user / name, std::move(bytes), refusal);
  }
}

ConfigResolution ReadOnlyResolution(const ProgramFolders& folders, const std::string& refusal, bool macroFilesToo,
                                    std::string message) {
  ServeShippedDefaults(folders, refusal, macroFilesToo);
  return {ConfigResolution::Outcome::ReadOnly, std::move(message)};
}

}  // namespace

std::string_view ShippedConfigText() {
  return {reinterpret_cast<const char*>(kShippedConfigBytes), kShippedConfigBytes_size};
}

const IniDocument& ShippedConfigDocument() {
  static const IniDocument* const doc = new IniDocument(IniDocument::Parse(ShippedConfigText()));
  return *doc;
}

ConfigResolution ResolveConfiguration(const ProgramFolders& folders) {
  const std::filesystem::path& config = folders.configPath;
  const std::filesystem::path folder = config.parent_path();
  std::string folderProblem;
  if (std::error_code ec; folder.is_absolute() && !std::filesystem::is_directory(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec) folderProblem = ec.message();
  }
  if (folderProblem.empty()) folderProblem = FolderProblem(folder);
  if (!folderProblem.empty()) {
    return ReadOnlyResolution(
        folders, "nothing can be saved: the folder " + folder.string() + " cannot be used (" + folderProblem + ")",
        true, "The folder " + folder.string() + " cannot be used: " + folderProblem + ".\n" + kRunsOnDefaults);
  }

  const std::string problem = FileProblem(config);
  if (problem == "missing") {
    if (const Outcome failed = WriteFileAtomically(config, ShippedConfigText())) {
      const std::string error = failed->Text();
      return ReadOnlyResolution(folders, "nothing can be saved: " + error, false,
                                MissingFileMessage(config, problem) + "\nThe default settings could not be put in its "
                                                                      "place: " + error + ".\n" + kRunsOnDefaults);
    }
    return {ConfigResolution::Outcome::Restored,
            MissingFileMessage(config, problem) + "\nThe default settings have been put in its place."};
  }
  if (!problem.empty()) {
    // What cannot be read is never written over: the user may still want it.
    std::string_view reason = problem;
    if (reason.starts_with(kUnreadablePrefix)) reason.remove_prefix(std::string_view(kUnreadablePrefix).size());
    const std::string why(reason);
    return ReadOnlyResolution(
        folders, "nothing can be saved: " + config.string() + " cannot be read (" + why + ")", false,
        "The configuration file " + config.string() + " cannot be read: " + why + ".\n" + kRunsOnDefaults);
  }
  ConfigCheck check = CheckConfigUsable(config);
  switch (check.outcome) {
    case ConfigCheck::Outcome::Usable: return {};
    case ConfigCheck::Outcome::Restored: return {ConfigResolution::Outcome::Restored, std::move(check.message)};
    case ConfigCheck::Outcome::Missing:  // gone since it was looked at
    case ConfigCheck::Outcome::RestoreFailed: break;
  }
  const std::string reason = check.message.empty() ? "it cannot be read" : check.message;
  return ReadOnlyResolution(folders, "nothing can be saved: " + config.string() + " is damaged", false,
                            reason + "\n" + kRunsOnDefaults);
}

ConfigCheck CheckConfigUsable(const std::filesystem::path& configPath) {
  ConfigCheck check;
  const auto doc = LoadIniDocument(configPath);
  if (!doc) {
    check.outcome = ConfigCheck::Outcome::Missing;
    return check;
  }
  if (HoldsConfiguration(*doc)) return check;

  const auto bytes = ReadWholeFile(configPath);
  Outcome failed = bytes ? KeepDamagedCopy(configPath, *bytes, check.keptAs) : Failure{"cannot read", configPath, {}};
  if (!failed) {
    failed = WriteFileAtomically(configPath, ShippedConfigText());
    if (failed) {
      ::unlink(check.keptAs.c_str());
      check.keptAs.clear();
    }
  }
  if (failed) {
    check.outcome = ConfigCheck::Outcome::RestoreFailed;
    check.message = "The configuration file " + configPath.string() +
                    " is damaged and could not be replaced by the default settings.\n" + failed->Text();
    return check;
  }
  check.outcome = ConfigCheck::Outcome::Restored;
  check.message = "The configuration file was damaged and has been replaced by the default settings.\n"
                  "The damaged file was kept as " +
                  check.keptAs.string() + ".";
  return check;
}

}  // namespace orv::settings
