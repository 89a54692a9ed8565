// Every text the operator can see is Russian, Qt's own included: the three
// steps with counts and suggestions on, each kind of message and the undo
// confirmation as the real dialogs show them, the context menus of step 1's
// edits, the grid's cell editor, the script memo, its gutter and scroll bar,
// and Qt's own save dialog (not the desktop's) as an HTML export would open
// it. Qt's translations are loaded by the widget tests' main, as the program
// loads them; the environment's locale is C, which takes Russian.
//
// A text fails when it holds a word of two or more Latin letters that is not
// allowed: names that Russian texts keep as they are (OK, SQL, the
// statement's keywords, key names, the program's name), the database's own
// names as step 1 shows them, and, in the file dialog, file and folder names
// and the size and date columns (see there).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "app/form_um.h"
#include "app/step3_execution.h"
#include "app/testing/fake_transport.h"
#include "controls/grid/column.h"
#include "controls/grid/columns.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {
namespace {

using testing::FakeServer;
using testing::TextResult;

// Words a Russian text keeps in Latin letters: names, key names and the
// statement's keywords.
const std::set<QString> kKeptNames = {"OK",    "SQL",  "HTML",  "UPDATE", "SET",
                                      "WHERE", "Ctrl", "Shift", "Alt",    "Morvane"};

// The words of two or more Latin letters in text.
std::set<QString> LatinWords(const QString& text) {
  static const QRegularExpression latinWord("[A-Za-z]{2,}");
  std::set<QString> words;
  for (const QRegularExpressionMatch& match : latinWord.globalMatch(text)) {
    words.insert(match.captured());
  }
  return words;
}

void AddItemViewTexts(const QAbstractItemView& view, QStringList& texts) {
  const QAbstractItemModel* model = view.model();
  if (model == nullptr) return;
  for (int row = 0; row < model->rowCount(view.rootIndex()); ++row) {
    for (int column = 0; column < model->columnCount(view.rootIndex()); ++column) {
      texts << model->index(row, column, view.rootIndex()).data().toString();
    }
  }
}

void AddMenuTexts(const QMenu& menu, QStringList& texts) {
  texts << menu.title();
  for (const QAction* action : menu.actions()) {
    if (!action->isVisible()) continue;
    texts << action->text() << action->toolTip()
          << action->shortcut().toString(QKeySequence::NativeText);
    if (action->menu() != nullptr) AddMenuTexts(*action->menu(), texts);
  }
}

// The texts of a window and of its visible widgets: titles, captions, tool
// tips, tabs, list entries, column headers, edits' contents.
QStringList VisibleTexts(const QWidget& window) {
  QStringList texts{window.windowTitle()};
  if (const auto* menu = qobject_cast<const QMenu*>(&window)) {
    AddMenuTexts(*menu, texts);
    return texts;
  }
  QList<const QWidget*> widgets{&window};
  for (const QWidget* child : window.findChildren<QWidget*>()) {
    if (child->isVisibleTo(&window)) widgets << child;
  }
  for (const QWidget* widget : widgets) {
    texts << widget->toolTip() << widget->statusTip();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) texts << button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
      texts << edit->text() << edit->placeholderText();
    }
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(widget)) {
      texts << memo->toPlainText() << memo->placeholderText();
    }
    if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
      for (int tab = 0; tab < tabs->count(); ++tab) texts << tabs->tabText(tab);
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
      for (int item = 0; item < combo->count(); ++item) texts << combo->itemText(item);
    }
    if (const auto* header = qobject_cast<const QHeaderView*>(widget)) {
      for (int section = 0; section < header->count(); ++section) {
        texts << header->model()->headerData(section, header->orientation()).toString();
      }
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
      AddItemViewTexts(*view, texts);
    }
    if (const auto* grid = dynamic_cast<const TzelDBGrid*>(widget)) {
      // Owner-drawn: its titles and the cells of every record.
      TzelDBGrid& drawn = const_cast<TzelDBGrid&>(*grid);
      for (int index = 0; index < drawn.Columns().Count(); ++index) {
        TzelColumn* column = drawn.Columns()[index];
        if (!column->Visible()) continue;
        texts << QString::fromStdString(column->Title()->Caption());
        if (TField* field = column->Field()) {
          TDataSet* data = field->DataSet();
          for (data->First(); !data->Eof(); data->Next()) {
            texts << QString::fromStdString(field->DisplayText());
          }
        }
      }
    }
  }
  texts.removeAll(QString());
  return texts;
}

// What came up while open ran, and right after it: each pop-up menu and
// modal dialog, read and then closed (a dialog rejected, so a confirmation
// answers Cancel). Menus with and without a loop of their own are both met.
std::vector<QStringList> Shown(const std::function<void()>& open) {
  std::vector<QStringList> shown;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&shown] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shown.push_back(VisibleTexts(*popup));
      popup->close();
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
      shown.push_back(VisibleTexts(*modal));
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
    }
  });
  poll.start();
  open();
  QTest::qWait(50);
  return shown;
}

void RightClick(QWidget* widget) {
  const QPoint point = widget->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, point, widget->mapToGlobal(point));
  QApplication::sendEvent(widget, &event);
}

// The words of texts in Latin letters that are neither kept names nor in
// allowed; mnemonic marks are no part of a word.
std::set<QString> EnglishWords(const QStringList& texts, const std::set<QString>& allowed = {}) {
  std::set<QString> words;
  for (QString text : texts) {
    text.remove('&');
    for (const QString& word : LatinWords(text)) {
      if (!kKeptNames.contains(word) && !allowed.contains(word)) words.insert(word);
    }
  }
  return words;
}

std::string Listed(const QStringList& texts) {
  return texts.join(" | ").toStdString();
}

std::string Listed(const std::set<QString>& words) {
  return Listed(QStringList(words.begin(), words.end()));
}

class RussianTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Morvane");
    testing::ResetFakeServer();
    dir_ = std::filesystem::temp_directory_path() / "russian-texts";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
    std::ofstream(dir_ / "Mvrn.ini") << "[Wizard]\r\nCounts=1\r\nSuggestions=1\r\n";
    unit_ = std::make_unique<ZelTblUnit>(
        std::make_unique<TransportLibrary>(testing::FakeEntryPoints()));
    form_ = std::make_unique<TFormUM>(TFormUMOptions{{"A"}, dir_.string()});
    form_->show();
    // The grid opens its cell editor only when it holds the focus, which an
    // inactive window never gives.
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    FakeServer().replies["SELECT * FROM Units"] =
        TextResult({{"Ident", 10}, {"name", 60}}, {{"шт", "штука"}, {"кг", "килограмм"}});
    FakeServer().replies["SELECT DISTINCT Unit FROM Goods"] =
        TextResult({{"Unit", 20}}, {{"шт"}, {"шт."}, {"кг"}});
    std::string sql;
    CMorvane::BuildMappingQuery(form_->AppCommander(), sql);
    FakeServer().replies[sql] = TextResult({{"src", 20}, {"inf", 10}}, {});
    ASSERT_TRUE(CMorvane::BuildCountsQuery(form_->AppCommander(), sql));
    FakeServer().replies[sql] =
        TextResult({{"Unit", 20}, {"cnt", 10}}, {{"шт", "5"}, {"шт.", "2"}, {"кг", "7"}});
    // The exact undo reads the keys of the rows it is about to change.
    FakeServer().replies
        ["SELECT Goods.Good AS k, Goods.Unit AS v, CASE WHEN Goods.Unit = 'шт.' THEN "
         "'шт.' END AS m FROM Goods WHERE Goods.Unit IN ('шт.')"] =
        TextResult({{"k", 10}, {"v", 20}, {"m", 20}}, {{"G1", "шт.", "шт."}});
  }
  void TearDown() override {
    form_.reset();
    unit_.reset();
    std::filesystem::remove_all(dir_);
  }

  // The database's own names, as step 1 shows them: tables and fields.
  std::set<QString> DatabaseNames() const {
    QString names;
    for (const QLineEdit* edit :
         {form_->Edit6, form_->Edit1, form_->Edit2, form_->Edit3, form_->Edit4, form_->Edit5}) {
      names += edit->text() + " ";
    }
    return LatinWords(names);
  }
  void ExpectRussian(const QStringList& texts, const char* what,
                     const std::set<QString>& allowed = {}) {
    ASSERT_FALSE(texts.isEmpty()) << what << ": nothing seen";
    std::set<QString> all = DatabaseNames();
    all.insert(allowed.begin(), allowed.end());
    EXPECT_EQ(Listed(EnglishWords(texts, all)), "") << what << ": " << Listed(texts);
  }
  // Exactly one pop-up or dialog came up; its texts.
  QStringList OneShown(const std::function<void()>& open, const char* what) {
    const std::vector<QStringList> shown = Shown(open);
    EXPECT_EQ(shown.size(), 1u) << what;
    return shown.empty() ? QStringList() : shown.front();
  }
  void ShowStep(int index) {
    form_->PageControl1->setCurrentIndex(index);
    QApplication::processEvents();
  }
  void Choose(const std::string& src, const std::string& inf) {
    TzelTable& table = *form_->TableM;
    ASSERT_TRUE(table.Locate("src", Variant(src), {}));
    table.Edit();
    table.FieldByName("inf")->SetAsString(inf);
    table.Post();
  }

  std::filesystem::path dir_;
  std::unique_ptr<ZelTblUnit> unit_;
  std::unique_ptr<TFormUM> form_;
};

TEST_F(RussianTextsTest, TheCheckFindsQtsUntranslatedTexts) {
  EXPECT_EQ(Listed(EnglishWords({"&Undo", "Select All", "Cancel"})),
            "All | Cancel | Select | Undo");
  EXPECT_EQ(Listed(EnglishWords({"OK", "Выполнено: 1", "UPDATE Goods SET", "Ctrl+Z"}, {"Goods"})),
            "");
}

TEST_F(RussianTextsTest, EveryStepWithItsMenusAndMessages) {
  ShowStep(0);
  ExpectRussian(VisibleTexts(*form_), "step 1");
  for (QLineEdit* edit : {form_->Edit6, form_->Edit1}) {
    ExpectRussian(OneShown([edit] { RightClick(edit); }, "edit menu"), "an edit's context menu");
  }

  ShowStep(1);
  EXPECT_TRUE(Shown([this] { form_->ButtonRead->click(); }).empty()) << "reading said something";
  Choose("шт.", "шт");
  ExpectRussian(VisibleTexts(*form_), "step 2");
  TzelDBGrid* grid = form_->GridM;
  // Reading may have taken the activation away (a busy cursor, a box);
  // the cell editor shows only in a focused grid.
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  grid->setFocus();
  for (int wait = 0; wait < 100 && !grid->hasFocus(); ++wait) QTest::qWait(10);
  ASSERT_TRUE(grid->hasFocus());
  ASSERT_TRUE(form_->TableM->Locate("src", Variant("кг"), {}));
  grid->SetSelectedField(form_->TableM->FieldByName("inf"));
  grid->SetEditorMode(true);
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  ExpectRussian(OneShown([grid] { RightClick(grid->InplaceEditor()); }, "cell editor menu"),
                "the cell editor's context menu");
  grid->SetEditorMode(false);

  ShowStep(2);
  EXPECT_TRUE(Shown([this] { form_->ButtonGen->click(); }).empty()) << "generating said something";
  form_->Step3().RefreshPreview();
  ExpectRussian(VisibleTexts(*form_), "step 3");
  ExpectRussian(OneShown([this] { RightClick(form_->Memo1->viewport()); }, "memo menu"),
                "the script memo's context menu");
  ExpectRussian(OneShown([this] { RightClick(form_->Step3().Gutter->viewport()); }, "gutter menu"),
                "the gutter's context menu");
  ExpectRussian(
      OneShown([this] { RightClick(form_->Memo1->verticalScrollBar()); }, "scroll bar menu"),
      "the memo's scroll bar menu");

  // Executed line by line: the news of how it went, then the undo's question.
  ExpectRussian(OneShown([this] { form_->ButtonDo->click(); }, "execution message"),
                "the execution's message");
  ASSERT_TRUE(form_->Step3().ButtonUndo->isEnabled());
  const QStringList undo = OneShown([this] { form_->Step3().ButtonUndo->click(); }, "undo");
  EXPECT_TRUE(undo.contains("Отмена")) << Listed(undo);
  ExpectRussian(undo, "the undo confirmation");
  EXPECT_TRUE(form_->Step3().ButtonUndo->isEnabled()) << "the rejected confirmation undid";
}

TEST_F(RussianTextsTest, EachKindOfMessageAndConfirmation) {
  const std::vector<std::pair<const char*, std::function<void()>>> kinds = {
      {"error", [] { MessageBoxStop("Не удалось выполнить запрос !"); }},
      {"news", [] { MessageBoxInformation("Выполнено операторов: 1."); }},
      {"exception", [] { Application().ShowException(EDatabaseError("Нет соединения")); }},
      {"confirmation", [] { EXPECT_FALSE(ConfirmOkCancel("Отменить последнюю замену?")); }},
  };
  for (const auto& [kind, show] : kinds) {
    const QStringList texts = OneShown(show, kind);
    EXPECT_TRUE(texts.contains("OK")) << kind << ": " << Listed(texts);
    ExpectRussian(texts, kind);
  }
}

TEST_F(RussianTextsTest, ExportSaveDialog) {
  // A folder that holds an earlier export, listed with its type.
  const std::filesystem::path folder = dir_ / "выгрузка";
  std::filesystem::create_directories(folder);
  const std::filesystem::path earlier = folder / "отчёт.html";
  std::ofstream(earlier) << "<html></html>";
  QFileDialog dialog(form_.get(), "Экспорт в HTML", QString::fromStdString(folder.string()),
                     "HTML (*.html)");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // File and folder names are the file system's, whatever their language.
  // The size and date columns follow the system locale (C here), which no
  // translation and no default locale reaches: their words are not checked.
  const QFileInfo file(QString::fromStdString(earlier.string()));
  const std::set<QString> allowed = LatinWords(
      QDir::homePath() + "/" + QString::fromStdString(dir_.string()) + " " + file.fileName() + " " +
      QLocale::system().toString(file.lastModified(), QLocale::ShortFormat) + " " +
      QLocale::system().formattedDataSize(file.size()));
  for (const QFileDialog::ViewMode mode : {QFileDialog::List, QFileDialog::Detail}) {
    dialog.setViewMode(mode);
    dialog.show();
    QTest::qWait(200);  // the folder is read in the background
    QStringList texts = VisibleTexts(dialog);
    EXPECT_TRUE(texts.contains("отчёт.html")) << Listed(texts);
    // The actions of the file list's context menu.
    for (const QAction* action : dialog.findChildren<QAction*>()) texts << action->text();
    ExpectRussian(texts, mode == QFileDialog::List ? "file dialog, list" : "file dialog, details",
                  allowed);
  }
}

}  // namespace
}  // namespace morvane
