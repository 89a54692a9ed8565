// The long-text hint of a grid cell, reached by a real click: the field's
// text shows as written, never as markup. The grid with its open hint is
// drawn into grid-png/hint-markup.png beside the executable, to look at.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QToolTip>

#include "controls/grid/db_grid.h"
#include "controls/grid/testing/grid_fixture.h"
#include "platform/ui/plain_text.h"

namespace morvane::testing {
namespace {

using LongTextHintTest = GridFixture;

// The grid and the hint window drawn where they stand on the screen.
void SaveWithHint(QWidget* grid, const QString& name) {
  QWidget* tip = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->inherits("QTipLabel") && widget->isVisible()) tip = widget;
  }
  ASSERT_NE(tip, nullptr);
  const QRect gridRect(grid->mapToGlobal(QPoint(0, 0)), grid->size());
  const QRect tipRect(tip->mapToGlobal(QPoint(0, 0)), tip->size());
  const QRect all = gridRect.united(tipRect).adjusted(-8, -8, 8, 8);
  QImage image(all.size(), QImage::Format_RGB32);
  image.fill(QColor(0xD8, 0xD8, 0xD8));
  QPainter painter(&image);
  painter.drawPixmap(gridRect.topLeft() - all.topLeft(), grid->grab());
  painter.drawPixmap(tipRect.topLeft() - all.topLeft(), tip->grab());
  painter.end();
  const QDir folder(QCoreApplication::applicationDirPath() + "/grid-png");
  folder.mkpath(".");
  EXPECT_TRUE(image.save(folder.absoluteFilePath(name)));
}

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
  SaveWithHint(grid.get(), "hint-markup.png");
  QToolTip::hideText();
}

}  // namespace
}  // namespace morvane::testing
