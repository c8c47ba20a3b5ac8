// The shipped udev rule, read the way udev reads it: comma-separated
// KEY op "value" pairs, where == and != match and =, += assign.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "support/temp_dir.h"

namespace orv::test {
namespace {

struct Pair {
  std::string key;
  std::string op;
  std::string value;
};

// The rule lines of a rules file (comments and blank lines dropped, lines
// ending in a backslash joined), each split into its pairs. An entry that is
// not KEY op "value" fails the test.
std::vector<std::vector<Pair>> ParseRules(const std::string& text) {
  std::vector<std::vector<Pair>> rules;
  std::istringstream in(text);
  std::string line, pending;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\\') {
      pending += line.substr(0, line.size() - 1);
      continue;
    }
    line = pending + line;
    pending.clear();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::vector<Pair> pairs;
    size_t i = first;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',')) ++i;
      if (i >= line.size()) break;
      Pair p;
      while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_' ||
                                 line[i] == '{' || line[i] == '}')) {
        p.key += line[i++];
      }
      while (i < line.size() && std::string("=!+-:").find(line[i]) != std::string::npos) p.op += line[i++];
      EXPECT_TRUE(i < line.size() && line[i] == '"') << "unquoted value after " << p.key;
      const size_t close = line.find('"', i + 1);
      if (i >= line.size() || close == std::string::npos) return {};
      p.value = line.substr(i + 1, close - i - 1);
      i = close + 1;
      pairs.push_back(p);
    }
    rules.push_back(pairs);
  }
  return rules;
}

std::string Hex4(uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", id);
  return text;
}

TEST(UdevRule, ParserReadsPairsAndContinuations) {
  const auto rules = ParseRules("# note\n\nA==\"1\", B{x}+=\"y z\", \\\n  C=\"\"\n");
  ASSERT_EQ(rules.size(), 1u);
  ASSERT_EQ(rules[0].size(), 3u);
  EXPECT_EQ(rules[0][1].key, "B{x}");
  EXPECT_EQ(rules[0][1].op, "+=");
  EXPECT_EQ(rules[0][1].value, "y z");
  EXPECT_EQ(rules[0][2].op, "=");
}

TEST(UdevRule, TheMousesHidrawNodesGoToTheSeatAndStartTheUserService) {
  const std::filesystem::path file = std::filesystem::path(ORV_SOURCE_DIR) / "resources/udev" / device::kUdevRuleFile;
  const auto rules = ParseRules(ReadText(file));
  ASSERT_EQ(rules.size(), 1u);
  std::map<std::string, std::string> matches;
  std::multimap<std::string, std::string> assignments;
  for (const Pair& p : rules[0]) {
    if (p.op == "==") {
      matches[p.key] = p.value;
    } else {
      EXPECT_EQ(p.op, "+=") << p.key << ": only additions, nothing replaced";
      assignments.emplace(p.key, p.value);
    }
  }
  EXPECT_EQ(matches, (std::map<std::string, std::string>{{"SUBSYSTEM", "hidraw"},
                                                         {"KERNEL", "hidraw*"},
                                                         {"ATTRS{idVendor}", Hex4(device::kMouseVendorId)},
                                                         {"ATTRS{idProduct}", Hex4(device::kMouseProductId)}}));
  EXPECT_EQ(assignments, (std::multimap<std::string, std::string>{{"TAG", "uaccess"},
                                                                  {"TAG", "systemd"},
                                                                  {"ENV{SYSTEMD_USER_WANTS}", "orv-ziduzu.service"}}))
      << "no MODE, OWNER or GROUP: access goes to the user at the seat only";
  // The unit it asks for is the one the package installs.
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(ORV_SOURCE_DIR) / "resources/desktop/orv-ziduzu.service"));
}

}  // namespace
}  // namespace orv::test
