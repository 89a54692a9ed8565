// The long-text hint of a grid cell, reached by a real click: the field's
// text shows as written, never as markup.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "controls/grid/db_grid.h"
#include "controls/grid/testing/grid_fixture.h"
#include "platform/ui/plain_text.h"

namespace morvane::testing {
namespace {

using LongTextHintTest = GridFixture;

TEST_F(LongTextHintTest, HintOfACellHoldingMarkupShowsTheMarkupAsText) {
  const std::string note = "<b>Price</b> <img src=\"/etc/passwd\">\r\n& <i>second</i> line";
  OpenGoods(3);
  goods->Next();
  goods->Edit();
  goods->FieldByName("NOTE")->SetAsString(note);
  goods->Post();
  ShowGrid(5);
  TzelColumn* column = grid->ColumnByName("NOTE");
  ASSERT_NE(column, nullptr);
  column->SetLongTextAsHint(true);

  const int rawCol = column->Index() + grid->IndicatorOffset();
  const QPoint cell = grid->CellRect(rawCol, grid->TitleOffset() + 1).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
  ASSERT_EQ(goods->FieldByName("NOTE")->AsString(), note);

  const QString tip = grid->toolTip();
  ASSERT_FALSE(tip.isEmpty());
  QString expected = QString::fromStdString(note);
  expected.replace("\r\n", "\n");
  EXPECT_EQ(ShownToolTipText(tip), expected);

  // The tip window itself, as the pointer resting on the cell opens it.
  QHelpEvent help(QEvent::ToolTip, cell, grid->viewport()->mapToGlobal(cell));
  QApplication::sendEvent(grid->viewport(), &help);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(ShownToolTipText(QToolTip::text()), expected);
  QToolTip::hideText();
}

}  // namespace
}  // namespace morvane::testing
