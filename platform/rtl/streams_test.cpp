#include "platform/rtl/streams.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

std::string AsText(const std::vector<char>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A fresh folder per test, so tests may run in parallel.
class StreamFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "rtl_streams_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string PathOf(const char* name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

TEST(MemoryStreamTest, ReadPastTheEndReturnsTheShortCount) {
  TMemoryStream stream(std::vector<char>{'a', 'b', 'c', 'd', 'e'});
  char buffer[8] = {};
  stream.SetPosition(3);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(std::string(buffer, 2), "de");
  EXPECT_EQ(stream.Position(), 5);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(100);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  stream.SetPosition(4);
  EXPECT_THROW(stream.ReadBuffer(buffer, 2), EStreamError);
}

TEST(MemoryStreamTest, SeekClampsAtZeroAndWritingPastTheEndZeroFillsTheGap) {
  TMemoryStream stream;
  stream.WriteString("ab");
  EXPECT_EQ(stream.Seek(-10, SeekOrigin::Current), 0);
  EXPECT_EQ(stream.Seek(2, SeekOrigin::End), 4);
  stream.WriteString("z");
  EXPECT_EQ(AsText(stream.Bytes()), std::string("ab\0\0z", 5));
  EXPECT_EQ(stream.Seek(-1, SeekOrigin::End), 4);
  stream.WriteString("XY");  // overwrites and grows
  EXPECT_EQ(AsText(stream.Bytes()), std::string("ab\0\0XY", 6));
}

TEST(MemoryStreamTest, SetSizeMovesAPositionPastTheNewEnd) {
  TMemoryStream stream(std::vector<char>(10, 'x'));
  stream.SetPosition(8);
  stream.SetSize(4);
  EXPECT_EQ(stream.Size(), 4);
  EXPECT_EQ(stream.Position(), 4);
  stream.SetSize(6);
  EXPECT_EQ(AsText(stream.Bytes()), std::string("xxxx\0\0", 6));
  EXPECT_EQ(stream.Position(), 4);
}

TEST(MemoryStreamTest, CopyFromTakesTheRestWhenCountIsZero) {
  TMemoryStream source(std::vector<char>{'1', '2', '3', '4'});
  source.SetPosition(1);
  TMemoryStream target;
  EXPECT_EQ(target.CopyFrom(source, 0), 3);
  EXPECT_EQ(AsText(target.Bytes()), "234");
  source.SetPosition(2);
  EXPECT_THROW(target.CopyFrom(source, 5), EStreamError);
}

TEST_F(StreamFileTest, FileStreamSeeksReportsSizeAndReadsBackWrites) {
  std::string fileName = PathOf("data.bin");
  {
    TFileStream stream(fileName, FileMode::Create);
    stream.WriteString("hello");
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_EQ(stream.Seek(-2, SeekOrigin::End), 3);
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 2);  // short read at the end
    EXPECT_EQ(std::string(buffer, 2), "lo");
    stream.Seek(3, SeekOrigin::Current);  // past the end
    stream.WriteString("!");
    EXPECT_EQ(stream.Size(), 9);
    EXPECT_EQ(stream.Seek(-100, SeekOrigin::Current), 0);
    stream.SetSize(4);
    EXPECT_EQ(stream.Size(), 4);
  }
  EXPECT_EQ(AsText(ReadWholeFile(fileName)), "hell");

  TFileStream reopened(fileName, FileMode::OpenReadWrite);
  char buffer[2];
  reopened.ReadBuffer(buffer, 2);
  reopened.WriteString("LL");  // write right after a read
  reopened.SetPosition(0);
  char all[4];
  reopened.ReadBuffer(all, 4);
  EXPECT_EQ(std::string(all, 4), "heLL");
}

TEST_F(StreamFileTest, FileStreamOpenFailuresRaiseTheirErrors) {
  EXPECT_THROW(TFileStream(PathOf("missing"), FileMode::OpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(PathOf("missing"), FileMode::OpenReadWrite), EFOpenError);
  EXPECT_THROW(TFileStream(PathOf("no/such/folder"), FileMode::Create), EFCreateError);
  EXPECT_THROW(TFileStream(folder_.string(), FileMode::OpenRead), EFOpenError);
  EXPECT_THROW(ReadWholeFile(PathOf("missing")), EFOpenError);
  EXPECT_THROW(ReadWholeFile(folder_.string()), EFOpenError);
}

TEST_F(StreamFileTest, AtomicWriteReplacesTheFileAndKeepsItsPermissions) {
  std::string fileName = PathOf("settings.ini");
  WriteFileAtomically(fileName, "old", 3);
  ASSERT_EQ(chmod(fileName.c_str(), 0640), 0);
  TMemoryStream stream(std::vector<char>{'n', 'e', 'w'});
  stream.SaveToFile(fileName);
  TMemoryStream loaded;
  loaded.LoadFromFile(fileName);
  EXPECT_EQ(AsText(loaded.Bytes()), "new");
  EXPECT_EQ(fs::status(fileName).permissions(), fs::perms(0640));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
      << "no temporary file left behind";
}

TEST_F(StreamFileTest, FailedAtomicWriteLeavesNothingBehind) {
  // A path that is a folder cannot be replaced by a file.
  fs::create_directory(PathOf("taken"));
  EXPECT_THROW(WriteFileAtomically(PathOf("taken"), "x", 1), EFCreateError);
  EXPECT_THROW(WriteFileAtomically(PathOf("none/file"), "x", 1), EFCreateError);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(StreamFileTest, AtomicWriteWithHeaderPutsTheHeaderOverTheStartOfALongContent) {
  // Several megabytes in pieces, so the disk writes start part way.
  std::string fileName = PathOf("data.d");
  std::string expected;
  WriteFileAtomicallyWithHeader(fileName, [&](const TByteWriter& write) {
    for (int index = 0; index < 12; ++index) {
      std::string piece(1 << 20, char('a' + index));
      if (index == 0) piece.replace(0, 6, "??????");
      expected += piece;
      write(piece);
    }
    return std::string("HEADER");
  });
  expected.replace(0, 6, "HEADER");
  EXPECT_TRUE(AsText(ReadWholeFile(fileName)) == expected);
}

TEST_F(StreamFileTest, AtomicWriteWhoseProducerFailsKeepsTheOldFile) {
  std::string fileName = PathOf("data.d");
  WriteFileAtomically(fileName, "old", 3);
  EXPECT_THROW(WriteFileAtomicallyWithHeader(fileName,
                                             [&](const TByteWriter& write) -> std::string {
                                               write(std::string(5 << 20, 'n'));
                                               throw EStreamError("Stream write error");
                                             }),
               EStreamError);
  EXPECT_EQ(AsText(ReadWholeFile(fileName)), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
      << "no temporary file left behind";
}

TEST_F(StreamFileTest, AtomicWriteThroughASymbolicLinkKeepsTheLink) {
  std::string target = PathOf("real.ini");
  std::string link = PathOf("link.ini");
  WriteFileAtomically(target, "old", 3);
  fs::create_symlink(target, link);
  WriteFileAtomically(link, "new", 3);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(AsText(ReadWholeFile(target)), "new");
}

}  // namespace
}  // namespace morvane
