#include "server/transport_binding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "server/database.h"

namespace morvane {
namespace {

std::string Text(const std::vector<char>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(TransportBindingTest, LoadsALibraryByPathAndFindsAllEntryPoints) {
  TransportLibrary library(FAKE_NETBRG2_PATH);
  ASSERT_TRUE(library.Loaded());
  EXPECT_TRUE(library.Complete());

  TransportResult init = library.Init("hello");
  EXPECT_EQ(init.status, 0);
  EXPECT_EQ(Text(init.bytes), "fake:hello");

  TransportResult reply = library.Send("SELECT 1");
  ASSERT_TRUE(reply.hasData);
  EXPECT_EQ(Text(reply.bytes), std::string(4, '\0') + "SSELECT 1");
  library.Close();
}

TEST(TransportBindingTest, MissingEntryPointLeavesTheBindingIncomplete) {
  TransportLibrary library(FAKE_NETBRG2_PARTIAL_PATH);
  EXPECT_TRUE(library.Loaded());
  EXPECT_FALSE(library.Complete());
  EXPECT_EQ(library.EntryPoints().WaitCloseNetClient, nullptr);
  EXPECT_EQ(library.Send("SELECT 1").status, -1) << "an incomplete binding sends nothing";
}

TEST(TransportBindingTest, MissingLibraryIsNotLoaded) {
  TransportLibrary library("libnetbrg2_that_does_not_exist.so");
  EXPECT_FALSE(library.Loaded());
  EXPECT_FALSE(library.Complete());
}

TEST(TransportBindingTest, BareNameIsFoundBesideTheExecutable) {
  const std::string name = "libnetbrg2_beside_exe_test.so";
  std::filesystem::path besideExe = ExecutableFolder() + name;
  std::filesystem::copy_file(FAKE_NETBRG2_PATH, besideExe,
                             std::filesystem::copy_options::overwrite_existing);
  {
    TransportLibrary library(name);
    EXPECT_TRUE(library.Loaded());
    EXPECT_TRUE(library.Complete());
  }
  std::filesystem::remove(besideExe);
}

TEST(TransportBindingTest, BareNameIsFoundInTheProgramsLibraryFolder) {
  const std::string name = "libnetbrg2_private_folder_test.so";
  const std::filesystem::path folder = ExecutableFolder() + "../lib/morvane";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(FAKE_NETBRG2_PATH, folder / name,
                             std::filesystem::copy_options::overwrite_existing);
  {
    TransportLibrary library(name);
    EXPECT_TRUE(library.Loaded());
    EXPECT_TRUE(library.Complete());
  }
  std::filesystem::remove(folder / name);
  std::error_code ignored;  // another test may still use the folders
  std::filesystem::remove(folder, ignored);
  std::filesystem::remove(folder.parent_path(), ignored);
}

TEST(TransportBindingTest, SessionTalksThroughALoadedLibrary) {
  TzelDatabase session{std::make_unique<TransportLibrary>(FAKE_NETBRG2_PATH)};
  session.SetConnectText("Morvane");
  session.Connect();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.ReplyText(), "fake:Morvane");
  session.SetUserID("ab");
  TransportResult reply = session.SendToServer(session.UserID() + "SELECT 1");
  EXPECT_EQ(Text(reply.bytes).substr(5), "ab        SELECT 1");
  EXPECT_TRUE(session.FreeSQL("DELETE FROM Units"));
}

// The fake is a library from before statement progress: it runs as before,
// and a handler is refused rather than silently never called.
TEST(TransportBindingTest, LibraryWithoutProgressEntryPointStillServesTheSession) {
  TransportLibrary library(FAKE_NETBRG2_PATH);
  EXPECT_FALSE(library.SupportsProgress());
  EXPECT_FALSE(library.SetProgressHandler(
      [](void*, int32_t, int32_t, int64_t) -> int32_t { return 1; }, nullptr));

  TzelDatabase session{std::make_unique<TransportLibrary>(FAKE_NETBRG2_PATH)};
  session.Connect();
  EXPECT_FALSE(session.CanReportProgress());
  bool called = false;
  EXPECT_FALSE(session.SetStatementProgress([&](int, int, int64_t) { return called = true; }));
  EXPECT_TRUE(session.SetStatementProgress({}));
  EXPECT_TRUE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_FALSE(session.Cancelled());
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace morvane
