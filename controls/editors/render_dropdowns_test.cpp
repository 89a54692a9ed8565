// Renders each drop-down of the cell editor open over a grid into PNG files
// under the build folder (editors-png/ beside the test executable), so a
// person can look at them: the pick list, the data list filtered by a typed
// text, and the calendar.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "controls/editors/grid_editor_fixture.h"

namespace morvane {
namespace {

using testing::TypeText;

// The grid's window with the pop-up drawn where it stands on the screen.
QImage Compose(QWidget* window, QWidget* popup) {
  const QRect windowRect(window->mapToGlobal(QPoint(0, 0)), window->size());
  const QRect popupRect(popup->mapToGlobal(QPoint(0, 0)), popup->size());
  const QRect all = windowRect.united(popupRect).adjusted(-8, -8, 8, 8);
  QImage image(all.size(), QImage::Format_RGB32);
  image.fill(QColor(0xD8, 0xD8, 0xD8));
  QPainter painter(&image);
  painter.drawPixmap(windowRect.topLeft() - all.topLeft(), window->grab());
  painter.drawPixmap(popupRect.topLeft() - all.topLeft(), popup->grab());
  return image;
}

class RenderDropDownsTest : public testing::GridEditorFixture {
 protected:
  void Save(const QString& name, QWidget* popup) {
    // Beside the executable, whatever folder the test was started from.
    const QDir folder(QCoreApplication::applicationDirPath() + "/editors-png");
    folder.mkpath(".");
    const QString path = folder.absoluteFilePath(name);
    ASSERT_TRUE(popup->isVisible());
    EXPECT_TRUE(Compose(grid.get(), popup).save(path)) << path.toStdString();
    std::cout << "rendered " << path.toStdString() << "\n";
  }
};

TEST_F(RenderDropDownsTest, PickList) {
  auto* editor = EditCell(kUnit);
  TypeText(editor, "м");
  Save("pick-list.png", editor->PickList());
}

TEST_F(RenderDropDownsTest, DataListFilteredByTypedText) {
  auto* editor = EditCell(kInf);
  TypeText(editor, "шт");
  Save("data-list-filtered.png", editor->DataList());
}

TEST_F(RenderDropDownsTest, Calendar) {
  auto* editor = EditCell(kDate);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  editor->Calendar()->SetDate(EncodeDate(2024, 2, 29));
  Save("calendar.png", editor->Calendar());
}

}  // namespace
}  // namespace morvane
