// orv_sim: the command line of the simulated mouse.
//   orv_sim decode <folder | feature.log>     the feature reports sent, one readable line each
//   orv_sim press <folder> <button> [level]   the mouse reports a press (level: byte 2, for DPI buttons)
//   orv_sim release <folder> <button>         ... a release
//   orv_sim click <folder> <button>           ... a press, then a release
//   orv_sim send <folder> <line>              any FIFO line: hex bytes, "plug" or "unplug"
//   orv_sim plug <folder> | unplug <folder>   the mouse arrives / is removed
// Buttons: button0 ... button6 (left, right, middle for 0 ... 2), wire1 ... wire15.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "device/ktr580.h"
#include "device/simulated/simulated_mouse.h"
#include "platform/atomic_file.h"
#include "platform/whole_number.h"
#include "tools/sim/sim_text.h"

namespace {

int Usage() {
  std::cerr << "usage: orv_sim decode <folder|feature.log>\n"
               "       orv_sim press <folder> <button> [level]\n"
               "       orv_sim release|click <folder> <button>\n"
               "       orv_sim send <folder> <line>\n"
               "       orv_sim plug|unplug <folder>\n"
               "buttons: button0 ... button6 (left, right, middle), wire1 ... wire15\n";
  return 2;
}

int Send(const std::filesystem::path& folder, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::string error;
    if (!orv::sim::SendFifoLine(folder, line, error)) {
      std::cerr << "orv_sim: " << error << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  const std::filesystem::path target = argv[2];

  if (command == "decode") {
    std::filesystem::path log = target;
    if (std::filesystem::is_directory(target)) log = target / orv::device::kFeatureLogName;
    const auto text = orv::ReadWholeFile(log);
    if (!text) {
      std::cerr << "orv_sim: cannot read " << log << "\n";
      return 1;
    }
    for (const std::string& line : orv::sim::DescribeFeatureLog(*text)) std::cout << line << "\n";
    return 0;
  }
  if (command == "plug" || command == "unplug") return argc == 3 ? Send(target, {command}) : Usage();
  if (command == "send") return argc == 4 ? Send(target, {argv[3]}) : Usage();

  if (command == "press" || command == "release" || command == "click") {
    if (argc < 4 || argc > 5 || (argc == 5 && command != "press")) return Usage();
    const auto wire = orv::sim::WireCodeForName(argv[3]);
    if (!wire) {
      std::cerr << "orv_sim: unknown button " << argv[3] << "\n";
      return Usage();
    }
    uint8_t data = 1;
    if (argc == 5) {
      const auto level = orv::ParseWholeNumber(argv[4]);
      if (!level || *level > 255 || *level == orv::device::kButtonReleased) {
        std::cerr << "orv_sim: byte 2 of a press is 0 ... 255 but not 0x80 (a release)\n";
        return 2;
      }
      data = static_cast<uint8_t>(*level);
    }
    if (command == "press") return Send(target, {orv::sim::PressLine(*wire, data)});
    if (command == "release") return Send(target, {orv::sim::ReleaseLine(*wire)});
    return Send(target, {orv::sim::PressLine(*wire), orv::sim::ReleaseLine(*wire)});
  }
  return Usage();
}
