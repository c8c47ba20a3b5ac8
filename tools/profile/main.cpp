// orv_profile: shows a portable folder's current profile and the exact feature
// reports an Apply of it sends to the mouse. It works on a copy of the folder's
// files, so nothing of the user's is changed, and sends nothing to any device.
//
//   orv_profile <portable folder> [profile number]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "app/profile_listing.h"
#include "device/report_text.h"
#include "macros/macro_files.h"
#include "platform/decimal.h"
#include "drive/apply.h"
#include "settings/config_file.h"

namespace {

using namespace orv;
using namespace orv::settings;
using namespace orv::drive;
using namespace orv::device;

class CapturingWriter final : public device::HidWriter {
 public:
  std::vector<std::vector<uint8_t>> reports;
  bool SetFeature(const uint8_t* data, size_t length) override {
    reports.emplace_back(data, data + length);
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: orv_profile <portable folder> [profile number]\n";
    return 2;
  }
  const std::filesystem::path portable = argv[1];
  const std::filesystem::path configPath = portable / "skins" / "config" / "config.ini";
  if (!std::filesystem::exists(configPath)) {
    std::cerr << "orv_profile: no configuration at " << configPath << '\n';
    return 1;
  }

  // Work on a private copy: Apply writes the configuration and the macro file.
  std::error_code ec;
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("orv-profile-" + std::to_string(::getpid()));
  std::filesystem::create_directories(work / "skins" / "config", ec);
  std::filesystem::copy_file(configPath, work / "skins" / "config" / "config.ini", ec);
  for (const char* name : {"Macro_EN.dat", "Macro_CN.dat", "constMacro.dat"}) {
    std::filesystem::copy_file(portable / name, work / name, ec);
  }

  MouseSettings settings;
  macros::MacroTables tables;
  ProfileState profile;
  const std::filesystem::path workConfig = work / "skins" / "config" / "config.ini";
  ReadCurrentProfile(workConfig, profile);
  if (argc == 3) profile.curProfile = ReadDecimal(std::string_view(argv[2]));
  const int32_t language = ReadLanguage(workConfig);
  ConfigContext config{settings, tables, &profile, language};
  if (const ProfileLoad load = LoadConfig(config, workConfig, profile.curProfile, false); load.missingFile) {
    std::cerr << "message: " << load.missingFile->Text() << '\n';
  }
  const std::filesystem::path macroFile = work / (language ? "Macro_EN.dat" : "Macro_CN.dat");
  if (!std::filesystem::exists(macroFile)) std::cerr << "message: " << MissingFile(macroFile).Text() << '\n';
  macros::LoadMacros(macroFile, "Macros", tables, macros::MacroTarget::User);

  std::cout << "Profile " << profile.curProfile << " (" << (language ? "English" : "Turkish") << ") of "
            << configPath.string() << "\n"
            << app::DescribeProfile(settings, tables, app::ReadFunctionNames(portable / "skins", language))
            << "  user macros " << tables.userMacroCount << "\n";

  device::ReportChannel channel;
  auto writer = std::make_shared<CapturingWriter>();
  channel.SetWriteCollection(device::HandleState::Open, writer, 8);
  RecordingHostSettings host;
  ApplyContext ctx(config, channel);
  ctx.exeDir = work;
  ctx.configPath = workConfig;
  ctx.macroFilePath = macroFile;
  ctx.host = &host;
  const ApplyOutcome outcome = ApplySettings(ctx);
  if (outcome.repaired) std::cout << "  (the profile broke the model's rules and was repaired before sending)\n";

  std::cout << "Apply sends " << writer->reports.size() << " feature reports:\n";
  for (size_t i = 0; i < writer->reports.size(); ++i) {
    const std::vector<uint8_t>& r = writer->reports[i];
    std::printf("  %2zu  %s\n", i + 1, device::HexBytes(r.data(), std::min<size_t>(r.size(), 8)).c_str());
  }
  std::cout << "and sets on the desktop:";
  for (const std::string& line : host.Lines()) std::cout << "  " << line;
  std::cout << '\n';
  for (const Failure& error : outcome.writeErrors) std::cerr << "write failed: " << error.Text() << '\n';
  std::filesystem::remove_all(work, ec);
  return outcome.writeErrors.empty() ? 0 : 1;
}
