// The one throw-away MariaDB server (mariadb_fixture.h) that every test of
// a test executable shares, as a GoogleTest environment: the first test
// that asks for it starts it, and the end of the run stops it, whether the
// tests passed or not. A test file registers the environment once,
//
//   const auto* const kEnvironment =
//       ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);
//
// and a test that needs the server skips, saying why, when there is none:
//
//   std::string problem;
//   MariaDbServer* server = MariaDbEnvironment::Server(problem);
//   if (server == nullptr) GTEST_SKIP() << problem;
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/mariadb_fixture.h"

namespace morvane::testing {

class MariaDbEnvironment : public ::testing::Environment {
 public:
  // The server, or null with `problem` saying why it could not start. Only
  // the first call tries to start it.
  static MariaDbServer* Server(std::string& problem) {
    if (!started_) {
      started_ = true;
      server_ = MariaDbServer::Start(problem_);
    }
    problem = problem_;
    return server_.get();
  }
  void TearDown() override { server_.reset(); }

 private:
  static inline bool started_ = false;
  static inline std::unique_ptr<MariaDbServer> server_;
  static inline std::string problem_;
};

}  // namespace morvane::testing
