#include "controls/editors/popup_tree.h"

#include <gtest/gtest.h>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"

namespace morvane {
namespace {

using namespace testing;

// Rows of (ID, LEVEL, NAME) in reading order.
std::vector<char> Catalogue() {
  return TestBuffer()
      .Layout({"T.ID 9", "T.LVL i", "T.NAME s40"})
      .Record({Small("3x"), Int(3), Text("orphan")})  // no level 2 yet: top level
      .Record({Small("a"), Int(1), Text("A")})
      .Record({Small("b"), Int(2), Text("B")})
      .Record({Small("c"), Int(3), Text("C")})
      .Record({Small("d"), Int(4), Text("D")})
      .Record({Small("e"), Int(5), Text("E")})
      .Record({Small("f"), Int(6), Text("F")})
      .Record({Small("g"), Int(7), Text("G")})  // under the last level 6
      .Record({Small("h"), Int(0), Text("H")})  // so is any other level
      .Record({Small("k"), Int(1), Text("K")})  // a new top-level node
      .Record({Small("m"), Int(2), Text("M")})
      .Record({Small("n"), Int(3), Text("N")})
      .Bytes();
}

class PopupTreeTest : public ::testing::Test {
 protected:
  PopupTreeTest() : rows_(Catalogue()) { tree_.PrepareTree(&rows_, "ID", "LVL", "NAME"); }

  std::string Path(const std::string& id) { return tree_.GetFullCaption(id, '/'); }

  MemoryDataset rows_;
  TzelPopupTree tree_;
};

TEST_F(PopupTreeTest, LevelsBuildTheTree) {
  EXPECT_TRUE(rows_.Active());  // an inactive dataset is opened
  EXPECT_EQ(tree_.topLevelItemCount(), 3);
  EXPECT_EQ(Path("3x"), "orphan");
  EXPECT_EQ(Path("f"), "A/B/C/D/E/F");
  EXPECT_EQ(Path("g"), "A/B/C/D/E/F/G");
  EXPECT_EQ(Path("h"), "A/B/C/D/E/F/H");
  EXPECT_EQ(Path("n"), "K/M/N");
  EXPECT_EQ(Path("a"), "A");
  EXPECT_EQ(Path("nosuch"), "");
}

TEST_F(PopupTreeTest, UniqueIdsMatchExactly) {
  EXPECT_NE(tree_.FindNodeByUniqueID("k"), nullptr);
  EXPECT_EQ(tree_.FindNodeByUniqueID("K"), nullptr);
  EXPECT_EQ(TzelPopupTree::GetFullNodeCaption(nullptr, '/'), "");
}

TEST_F(PopupTreeTest, MissingFieldNamesLeaveTheTreeAlone) {
  tree_.PrepareTree(&rows_, "ID", "", "NAME");
  EXPECT_EQ(tree_.topLevelItemCount(), 3);
}

}  // namespace
}  // namespace morvane
