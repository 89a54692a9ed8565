// Helpers shared by the editors' widget tests: typing text with real key
// events (any script, not only Latin letters) and a small lookup table of
// units over the data engine.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "platform/db/field.h"

namespace morvane::testing {

// One key press and release per character, as a keyboard of the character's
// layout sends them: Latin letters and digits with their key codes, other
// characters with no code of their own.
inline void TypeText(QWidget* widget, const QString& text) {
  for (QChar character : text) {
    const QChar upper = character.toUpper();
    const bool latinOrDigit = (upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9');
    const int key = latinOrDigit ? upper.unicode() : (character == ' ' ? Qt::Key_Space : 0);
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(key), QString(character), Qt::NoModifier);
  }
}

inline void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QTest::keyClick(widget, key, modifiers);
}

// Units: ID, NAME, in this store order.
inline std::vector<char> UnitsBuffer() {
  return TestBuffer()
      .Layout({"U.ID i", "U.NAME s40", "U.CODE 9"})
      .Record({Int(1), Text("штука"), Small("PCE")})
      .Record({Int(2), Text("Шт."), Small("PCS")})
      .Record({Int(3), Text("метр"), Small("M")})
      .Record({Int(4), Text("килограмм"), Small("KG")})
      .Record({Int(5), Text("ШТАНГА"), Small("BAR")})
      .Record({Int(6), Text("литр"), Small("L")})
      .Bytes();
}

// The IDs of the rows the dataset shows now, first to last; the current
// row is put back.
inline std::vector<int> VisibleIds(TDataSet& dataSet) {
  const TBookmark bookmark = dataSet.GetBookmark();
  std::vector<int> ids;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    ids.push_back(dataSet.FieldByName("ID")->AsInteger());
  }
  if (!bookmark.empty() && dataSet.BookmarkValid(bookmark)) dataSet.GotoBookmark(bookmark);
  return ids;
}

}  // namespace morvane::testing
