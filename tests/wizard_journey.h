// The operator's journey through the real wizard form on a real database:
// start, read step 2, map "шт." and "Шт" to the allowed "шт", generate step
// 3, execute, and check the database with the back end's own client.
//
// The including file defines WizardJourneyTest's database: SetUpDatabase()
// makes a fresh demo database and points NETBRG_DATABASE at it, and
// ClientRows() lists Goods as "Good=Unit" lines through sqlite3 or psql (a
// client independent of the program). Buttons are pressed with real mouse
// events on the shown form.
#pragma once

#include <gtest/gtest.h>

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
  // Chooses the new value of the row whose current value is src.
  void ChooseNewValue(const std::string& src, const std::string& inf) {
    TzelTable& table = *form_->TableM;
    ASSERT_TRUE(table.Locate("src", Variant(src), {}));
    table.Edit();
    table.FieldByName("inf")->SetAsString(inf);
    table.Post();
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
