// A temporary path of the running test's own: ctest runs tests of one
// executable in parallel processes, so a fixed name in /tmp would be shared.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace morvane::testing_support {

inline std::string TestTempPath(const std::string& stem) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string testName = info != nullptr ? info->name() : "test";
  return (std::filesystem::temp_directory_path() /
          (stem + "-" + testName + "-" + std::to_string(getpid())))
      .string();
}

}  // namespace morvane::testing_support
