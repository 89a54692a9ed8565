// The operator's journey through the real wizard form on a real database:
// start, read step 2, map "шт." and "Шт" to the allowed "шт", generate step
// 3, execute, and check the database with the back end's own client.
//
// The including file defines WizardJourneyTest's database: SetUpDatabase()
// makes a fresh demo database and points NETBRG_DATABASE at it, and
// ClientRows() lists Goods as "Good=Unit" lines through sqlite3 or psql (a
// client independent of the program). The form is driven only with real key
// and mouse events on the shown form: tabs, buttons, the grid and its
// drop-down list.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/form_um.h"
#include "controls/editors/db_grid_inplace_edit.h"
#include "controls/editors/popup_data.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane::testing {

// The lines a shell command writes, without their line ends.
inline std::vector<std::string> CommandLines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  std::string line;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += char(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  pclose(pipe);
  return lines;
}

inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class WizardJourneyBase : public ::testing::Test {
 protected:
  // iniText: Mvrn.ini as the wizard finds it (empty: no file).
  void StartWizard(const std::string& iniText = {}) {
    Application().SetTitle("Morvane");
    previousHook_ = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) { messages_.push_back(text); });
    settings_ = std::filesystem::temp_directory_path() /
                ("wizard-journey-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(settings_);
    std::filesystem::create_directories(settings_);
    if (!iniText.empty()) std::ofstream(settings_ / "Mvrn.ini") << iniText;
    unit_ = std::make_unique<ZelTblUnit>(std::make_unique<TransportLibrary>(NETBRG2_LIBRARY));
    form_ = std::make_unique<TFormUM>(TFormUMOptions{{}, settings_.string()});
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    ASSERT_TRUE(messages_.empty()) << messages_.front();
  }
  void StopWizard() {
    form_.reset();
    unit_.reset();
    SetMessageBoxHook(std::move(previousHook_));
    std::filesystem::remove_all(settings_);
  }

  void OpenStep(int index) {
    QTabBar* tabs = form_->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    ASSERT_EQ(form_->PageControl1->currentIndex(), index);
  }
  void Press(QPushButton* button) {
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // A key for whatever has the keyboard focus.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
  // Typed characters as the keyboard sends them (QTest's own typing knows
  // Latin letters only).
  void Type(const std::string& text) {
    for (const QChar character : QString::fromStdString(text)) {
      QWidget* target = QApplication::focusWidget();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
      QApplication::sendEvent(target, &release);
    }
  }
  // The open drop-down list of the grid's cell editor, or null.
  TzelPopupData* OpenList() {
    auto* editor = dynamic_cast<TzelDBGridInplaceEdit*>(form_->GridM->InplaceEditor());
    if (editor == nullptr || !editor->ListVisible()) return nullptr;
    return editor->DataList();
  }
  // In the grid, with keys and clicks only: into the "Новое" column, down to
  // the row of src, the start of the allowed value's name typed into the
  // cell, which opens its drop-down filtered; then the first line is chosen
  // with Enter, or with a click when byMouse.
  void ChooseNewValue(const std::string& src, const std::string& typed, bool byMouse) {
    TzelDBGrid* grid = form_->GridM;
    const QRect cell = grid->CellRect(grid->DataToRawColumn(1), grid->TopRow());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    Key(Qt::Key_Home, Qt::ControlModifier);
    TField* current = form_->TableM->FieldByName("src");
    for (int row = 0; row < form_->TableM->RecordCount() && current->AsString() != src; ++row) {
      Key(Qt::Key_Down);
    }
    ASSERT_EQ(current->AsString(), src);
    Type(typed);
    TzelPopupData* list = OpenList();
    ASSERT_NE(list, nullptr) << "typing into the cell opens its list";
    if (byMouse) {
      const QPoint firstLine(20, list->RowHeight() / 2);
      QTest::mouseClick(list, Qt::LeftButton, {}, firstLine);
    } else {
      Key(Qt::Key_Return);
    }
    EXPECT_EQ(OpenList(), nullptr) << "choosing closes the list";
  }

  std::filesystem::path settings_;
  std::unique_ptr<ZelTblUnit> unit_;
  std::unique_ptr<TFormUM> form_;
  std::vector<std::string> messages_;
  TMessageBoxHook previousHook_;
};

// "Good=Unit" for every row of Goods, NULL shown as "<NULL>", ordered by Good.
inline std::vector<std::string> ChangedRows(std::vector<std::string> rows) {
  for (std::string& row : rows) {
    const size_t at = row.find('=');
    const std::string unit = row.substr(at + 1);
    if (unit == "шт." || unit == "Шт") row = row.substr(0, at + 1) + "шт";
  }
  return rows;
}

}  // namespace morvane::testing
