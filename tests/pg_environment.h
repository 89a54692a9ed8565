// The one throw-away PostgreSQL server (pg_fixture.h) that every test of a
// test executable shares, as a GoogleTest environment: the first test that
// asks for it starts it, and the end of the run stops it. A test file
// registers the environment once,
//
//   const auto* const kEnvironment =
//       ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
//
// and a test that needs the server skips, saying why, when there is none:
//
//   std::string problem;
//   PostgresServer* server = PostgresEnvironment::Server(problem);
//   if (server == nullptr) GTEST_SKIP() << problem;
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/pg_fixture.h"

namespace morvane::testing {

class PostgresEnvironment : public ::testing::Environment {
 public:
  // The server, or null with `problem` saying why it could not start. Only
  // the first call tries to start it.
  static PostgresServer* Server(std::string& problem) {
    if (!started_) {
      started_ = true;
      server_ = PostgresServer::Start(problem_);
    }
    problem = problem_;
    return server_.get();
  }
  void TearDown() override { server_.reset(); }

 private:
  static inline bool started_ = false;
  static inline std::unique_ptr<PostgresServer> server_;
  static inline std::string problem_;
};

}  // namespace morvane::testing
