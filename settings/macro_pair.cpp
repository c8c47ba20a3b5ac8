#include "settings/macro_pair.h"

#include <memory>
#include <optional>

#include "macros/macro_files.h"
#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/log.h"
#include "platform/file_problem.h"
#include "settings/profile_slots.h"

namespace orv::settings {
namespace {

constexpr const char* kInit = "Init";
// Room for a fingerprint (16 hexadecimal digits) and more.
constexpr size_t kSumCapacity = 64;

std::string SumKey(int32_t language) { return language != 0 ? "MACRO_SUM_EN" : "MACRO_SUM_CN"; }
std::string PreviousSumKey(int32_t language) { return SumKey(language) + "_WAS"; }

bool HoldsMacroBlock(IniEdit& config, const std::string& section) {
  return !config.Get(section, macros::kMacroCountKey, 3).empty();
}

// The profile section that holds the macro block the last save gave the
// macro file (`sum`), else the current profile's.
std::string CopySection(IniEdit& config, const std::string& sum, const ProfileState& profile) {
  if (!sum.empty()) {
    std::vector<std::string> sections{profile.configSection, ProfileSectionName(kAppliedProfile, false, 0)};
    for (int32_t n = kFirstUserProfile; n <= kLastUserProfile; ++n) sections.push_back(ProfileSectionName(n, false, 0));
    for (const std::string& section : sections) {
      if (HoldsMacroBlock(config, section) && macros::MacroBlockSum(config, section) == sum) return section;
    }
  }
  return profile.configSection;
}

std::string Describe(const std::string& section) {
  const std::string applied = ProfileSectionName(kAppliedProfile, false, 0);
  if (section == applied) return "the settings last applied";
  if (section.starts_with("Config")) return "profile " + section.substr(6);
  return "[" + section + "]";
}

// Takes the live macros from the configuration's copy in `section` (a
// section without a macro block leaves them as they are). Returns how many.
int LoadCopy(IniEdit& config, const std::string& section, macros::MacroTables& tables) {
  if (HoldsMacroBlock(config, section)) {
    return macros::LoadMacroBlock(config, section, tables, macros::MacroTarget::User, macros::BadEntries::Keep)
        .loaded;
  }
  std::lock_guard lock(tables.mutex);
  return tables.userMacroCount;
}

// Writes the live macros to `macroFile` as a save would. Returns what failed.
std::vector<Failure> Rewrite(const std::filesystem::path& configPath, const std::filesystem::path& macroFile,
                             int32_t language, const macros::MacroTables& tables) {
  IniEdit config(configPath);
  IniEdit file(macroFile);
  macros::SaveMacros(file, names::kMacroSection, tables);
  return CommitMacroPair(config, file, language);
}

}  // namespace

std::vector<Failure> CommitMacroPair(IniEdit& config, IniEdit& macroFile, int32_t language) {
  const std::string before = macros::MacroBlockSum(LoadIniDocument(macroFile.path()).get(), names::kMacroSection);
  const std::string after = macros::MacroBlockSum(macroFile, names::kMacroSection);
  config.Set(kInit, SumKey(language), after);
  config.Set(kInit, PreviousSumKey(language), before);
  std::vector<Failure> errors;
  if (Outcome failed = config.Commit()) {
    errors.push_back(AboutFile(config.path(), std::move(*failed)));
    // Without the configuration the macro file stays as it is: the two keep
    // describing the same macros.
    errors.push_back(Failure{{}, macroFile.path(), "not saved either, to stay with the configuration"});
    return errors;
  }
  if (Outcome failed = macroFile.Commit()) errors.push_back(AboutFile(macroFile.path(), std::move(*failed)));
  return errors;
}

Outcome LoadUserMacros(const std::filesystem::path& configPath, const std::filesystem::path& macroFile,
                       int32_t language, const ProfileState& profile, macros::MacroTables& tables) {
  IniEdit config(configPath);
  const std::string sum = config.Get(kInit, SumKey(language), kSumCapacity);
  const std::string was = config.Get(kInit, PreviousSumKey(language), kSumCapacity);
  const std::string copy = CopySection(config, sum, profile);
  const std::string file = macroFile.string();

  std::string message;
  bool rewrite = true;
  IniEdit read(macroFile);
  std::string problem;
  if (!read.FileExists()) {
    problem = FileProblem(macroFile);
    if (problem.empty()) problem = "missing";  // gone since it was read
  }
  if (problem == "missing") {
    message = MissingFileMessage(macroFile, problem) + "\n";
  } else if (!problem.empty()) {
    // What cannot be read is never written over.
    rewrite = false;
    ServeReadOnly(macroFile, std::nullopt, "nothing can be saved over " + file + ", which cannot be read (" + problem + ")");
    message = MissingFileMessage(macroFile, problem) + "\n";
  } else {
    auto scratch = std::make_unique<macros::MacroTables>();
    const macros::MacroBlockRead block =
        macros::LoadMacroBlock(read, names::kMacroSection, *scratch, macros::MacroTarget::User, macros::BadEntries::Keep);
    if (!block.found || block.unreadable > 0) {
      std::filesystem::path keptAs;
      const std::optional<std::string> bytes = ReadWholeFile(macroFile);
      const Outcome failed = bytes ? KeepDamagedCopy(macroFile, *bytes, keptAs) : Failure{"cannot read", macroFile, {}};
      if (failed) {
        const std::string kept = failed->Text();
        rewrite = false;
        ServeReadOnly(macroFile, std::nullopt, "nothing can be saved over the damaged " + file + ": " + kept);
        message = "The macro file " + file + " is damaged and no copy of it could be kept (" + kept + ").\n";
      } else {
        message = "The macro file " + file + " was damaged; it has been kept as " + keptAs.string() + ".\n";
      }
    } else if (const std::string now = macros::MacroBlockSum(read, names::kMacroSection);
               sum.empty() || now == sum || now != was || !HoldsMacroBlock(config, copy) ||
               macros::MacroBlockSum(config, copy) != sum) {
      // The file is what the last save left, or someone else wrote it since:
      // either way it is taken as it is.
      macros::LoadMacroBlock(read, names::kMacroSection, tables, macros::MacroTarget::User, macros::BadEntries::Keep);
      return {};
    } else {
      log::Warning(log::kFiles, file + " was left behind by a save cut short; it is made anew from " +
                                    Describe(copy) + " of " + configPath.string());
    }
  }
  const int n = LoadCopy(config, copy, tables);
  if (!message.empty()) {
    message += rewrite ? "It has been made anew from the " : "The ";
    message += std::to_string(n) + (n == 1 ? " macro" : " macros") + " kept in " + Describe(copy) + " of " +
               configPath.string() + (rewrite ? "." : " are used instead, and the file is not written.");
  }
  if (rewrite) {
    if (const std::vector<Failure> failed = Rewrite(configPath, macroFile, language, tables); !failed.empty()) {
      message += (message.empty() ? "" : "\n") + std::string("It could not be written: ") + JoinedText(failed, "; ");
    }
  }
  if (message.empty()) return {};
  return Failure::Of(std::move(message));
}

}  // namespace orv::settings
