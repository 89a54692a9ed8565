#include "platform/ui/plain_text.h"

#include <QTextDocument>

namespace morvane {

QString PlainTextToolTip(const std::string& text) {
  if (text.empty()) return {};
  QString plain = QString::fromStdString(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  // pre-wrap keeps blanks and line breaks and still wraps a long line.
  return QStringLiteral("<p style='white-space:pre-wrap'>") + plain.toHtmlEscaped() +
         QStringLiteral("</p>");
}

QString ShownToolTipText(const QString& tip) {
  QTextDocument document;
  if (Qt::mightBeRichText(tip)) {
    document.setHtml(tip);
  } else {
    document.setPlainText(tip);
  }
  return document.toPlainText();
}

}  // namespace morvane
