// Message boxes show values and servers' reasons as written, markup and all.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/confirm.h"
#include "platform/ui/message_box.h"
#include "platform/ui/plain_text.h"

namespace morvane {
namespace {

constexpr char kMarkup[] = "Значение <b>Price</b> <img src=\"/etc/passwd\"> & co";

// Looks at the next modal box from its own loop: whether its label takes
// the text as plain text, and the text; then presses the button.
void InspectNextBox(QMessageBox::StandardButton press, Qt::TextFormat& format, QString& text) {
  QTimer::singleShot(0, [&format, &text, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    ASSERT_NE(label, nullptr);
    format = label->textFormat();
    text = label->text();
    box->button(press)->click();
  });
}

TEST(PlainTextTest, MessageAndQuestionBoxesShowMarkupAsWritten) {
  Qt::TextFormat format = Qt::AutoText;
  QString text;
  InspectNextBox(QMessageBox::Ok, format, text);
  MessageBoxStop(kMarkup);
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(text, QString::fromUtf8(kMarkup));

  format = Qt::AutoText;
  InspectNextBox(QMessageBox::Cancel, format, text);
  EXPECT_FALSE(ConfirmOkCancel(kMarkup));
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(text, QString::fromUtf8(kMarkup));
}

TEST(PlainTextTest, ToolTipShowsTextAsWrittenWithItsLineBreaks) {
  for (const std::string& text :
       {std::string(kMarkup), std::string("a  b\r\n<i>c</i>\nd"), std::string("&lt; stays &lt;")}) {
    QString expected = QString::fromStdString(text);
    expected.replace("\r\n", "\n");
    EXPECT_EQ(ShownToolTipText(PlainTextToolTip(text)), expected) << text;
  }
  EXPECT_TRUE(PlainTextToolTip("").isEmpty());
}

}  // namespace
}  // namespace morvane
