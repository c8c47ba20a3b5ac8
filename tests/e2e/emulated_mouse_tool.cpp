// Hosts the emulated KTR-580 (umockdev) for an end-to-end run of the real
// program: builds the testbed, tells where it is, logs every feature report
// the program sends and takes commands. Run it under umockdev-wrapper.
//   orv_emulated_mouse <folder>
// <folder>/umockdev_dir  the testbed's root, written once it is ready; start
//                        the program with UMOCKDEV_DIR set to it and
//                        LD_PRELOAD=libumockdev-preload.so
// <folder>/feature.log   one line of hex bytes per HIDIOCSFEATURE
// <folder>/control       a FIFO taking lines: "unplug", "plug", "input <hex bytes>", "quit"
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "emulated_mouse.h"

namespace {

const char* const kMouseNodes[] = {"/dev/hidraw0", "/dev/hidraw1", "/dev/hidraw2"};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orv_emulated_mouse <folder>\n";
    return 2;
  }
  const std::string folder = argv[1];
  orv::test::EmulatedMouse mouse;
  std::string why;
  if (!mouse.Ready(&why)) {
    std::cerr << "orv_emulated_mouse: " << why << '\n';
    return 1;
  }
  const std::string control = folder + "/control";
  if (::mkfifo(control.c_str(), 0600) != 0) {
    std::perror("orv_emulated_mouse: mkfifo");
    return 1;
  }

  // Appends reports as they arrive; the run watches the file grow.
  std::atomic<bool> done{false};
  std::thread logger([&] {
    std::ofstream log(folder + "/feature.log", std::ios::app);
    size_t written = 0;
    for (;;) {
      const bool last = done.load();
      const auto features = mouse.Features();
      for (; written < features.size(); ++written) log << orv::test::HexLine(features[written]) << '\n';
      log.flush();
      if (last) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });

  {
    std::ofstream ready(folder + "/umockdev_dir.tmp");
    ready << mouse.RootDir() << '\n';
  }
  std::rename((folder + "/umockdev_dir.tmp").c_str(), (folder + "/umockdev_dir").c_str());

  // Opened for reading and writing so that a writer closing it is no end of input.
  std::fstream commands(control, std::ios::in | std::ios::out);
  std::string line;
  int status = 0;
  while (std::getline(commands, line)) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "quit") break;
    if (command == "unplug" || command == "plug") {
      for (const char* node : kMouseNodes) mouse.Uevent(node, command == "unplug" ? "remove" : "add");
    } else if (command == "input") {
      std::vector<uint8_t> report;
      unsigned byte = 0;
      while (words >> std::hex >> byte) report.push_back(static_cast<uint8_t>(byte));
      if (!mouse.QueueInput(report)) std::cerr << "orv_emulated_mouse: input not queued\n";
    } else if (!command.empty()) {
      std::cerr << "orv_emulated_mouse: unknown command " << command << '\n';
      status = 1;
    }
  }
  done.store(true);
  logger.join();
  return status;
}
