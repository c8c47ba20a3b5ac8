#pragma once
// The missing-file message: the system's own first line, then the file and
// what is wrong with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_problem.h"

namespace orv::test {

inline void ExpectOneMissingFileMessage(const std::vector<std::string>& messages, const std::string& fileName,
                                        const std::string& problem = "missing") {
  ASSERT_EQ(messages.size(), 1u);
  const std::string& m = messages[0];
  EXPECT_EQ(m.substr(0, m.find('\n')), kMissingFileMessage);
  EXPECT_NE(m.find(fileName), std::string::npos) << m;
  EXPECT_NE(m.find(": " + problem), std::string::npos) << m;
}

inline std::vector<std::string> Texts(const std::vector<Failure>& failures) {
  std::vector<std::string> texts;
  for (const Failure& f : failures) texts.push_back(f.Text());
  return texts;
}

}  // namespace orv::test
