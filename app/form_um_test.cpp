#include "app/form_um.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "app/testing/fake_transport.h"
#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
#include "platform/rtl/ini_file.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {
namespace {

using testing::FakeEntryPoints;
using testing::FakeServer;

class WizardFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Morvane");
    testing::ResetFakeServer();
    dir_ =
        std::filesystem::temp_directory_path() /
        ("wizard-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    previousHook_ = SetMessageBoxHook([this](const std::string& caption, const std::string& text) {
      EXPECT_EQ(caption, "Morvane");
      messages_.push_back(text);
    });
  }
  void TearDown() override {
    form_.reset();
    unit_.reset();
    SetMessageBoxHook(std::move(previousHook_));
    std::filesystem::remove_all(dir_);
  }

  // The session over the fake transport, or over a library that is not there.
  void StartSession(bool libraryPresent = true) {
    unit_.reset();  // one session at a time
    unit_ =
        libraryPresent
            ? std::make_unique<ZelTblUnit>(std::make_unique<TransportLibrary>(FakeEntryPoints()))
            : std::make_unique<ZelTblUnit>(
                  std::make_unique<TransportLibrary>((dir_ / "no-such-libnetbrg2.so").string()));
  }
  TFormUM& ShowForm(std::vector<std::string> arguments) {
    if (!unit_) StartSession();
    form_ = std::make_unique<TFormUM>(TFormUMOptions{std::move(arguments), dir_.string()});
    form_->show();
    return *form_;
  }
  void WriteIni(const std::string& text) { std::ofstream(dir_ / "Mvrn.ini") << text; }
  std::string IniPath() const { return (dir_ / "Mvrn.ini").string(); }

  void ExpectDesignState(const TFormUM& form) {
    for (const QPushButton* button : {form.ButtonNew, form.ButtonLoad, form.ButtonSave,
                                      form.ButtonRead, form.ButtonGen, form.ButtonDo}) {
      EXPECT_FALSE(button->isHidden()) << button->objectName().toStdString();
      EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(form.Edit1->text().isEmpty());
    EXPECT_TRUE(form.PopupMenu1->actions().isEmpty());
  }

  std::filesystem::path dir_;
  std::unique_ptr<ZelTblUnit> unit_;
  std::unique_ptr<TFormUM> form_;
  std::vector<std::string> messages_;
  TMessageBoxHook previousHook_;
};

TEST_F(WizardFormTest, FormIsTheDesignedDialog) {
  StartSession();
  TFormUM form(TFormUMOptions{{}, dir_.string()});
  EXPECT_EQ(form.windowTitle(), "Morvane");
  EXPECT_EQ(form.size(), QSize(432, 313));
  EXPECT_EQ(form.minimumSize(), form.size());  // the designed size is the smallest
  EXPECT_EQ(form.PageControl1->geometry(), QRect(10, 10, 411, 291));
  ASSERT_EQ(form.PageControl1->count(), 3);
  EXPECT_EQ(form.PageControl1->tabText(0), "Шаг 1");
  EXPECT_EQ(form.PageControl1->tabText(2), "Шаг 3");
  EXPECT_EQ(form.PageControl1->currentIndex(), 0);
  EXPECT_EQ(form.GridM->size(), QSize(241, 151));
  EXPECT_EQ(form.Memo1->size(), QSize(321, 141));
  EXPECT_EQ(form.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(form.Label6->font().bold());
  EXPECT_EQ(form.Label9->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(form.Label14->text(),
            "Не изменяйте сформированный ниже текст, если Вы не знакомы  с языком скриптов.");
  EXPECT_EQ(form.Edit2->x(), 160);
  EXPECT_EQ(form.Edit2->y() - form.Edit1->y(), 20);
  EXPECT_EQ(form.ButtonSave->y(), 230);
  EXPECT_EQ(form.ButtonDo->text(), "Выполнить");
  // Every caption fits its place.
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label->wordWrap()) continue;
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->objectName().toStdString();
  }
  ExpectDesignState(form);
}

TEST_F(WizardFormTest, EveryComponentCarriesItsDesignCaptionAndStyle) {
  StartSession();
  TFormUM form(TFormUMOptions{{}, dir_.string()});
  enum Style { kPlain, kBold, kRed, kRedWrapped, kWrapped };
  struct Caption {
    const QLabel* label;
    const char* text;
    Style style;
  };
  const Caption labels[] = {
      {form.Label6, "Настройки", kBold},
      {form.Label9, "Только для опытных пользователей", kRed},
      {form.Label10, "Сделайте необходимые настройки и перейдите к следующему шагу.", kPlain},
      {form.Label13, "Не изменяйте текущие значения, если Вы не знакомы со структурой БД", kRed},
      {form.Label15, "Название настройки", kPlain},
      {form.Label1, "Изменяемая таблица", kPlain},
      {form.Label2, "Изменяемое поле", kPlain},
      {form.Label3, "Ключевое поле", kPlain},
      {form.Label4, "Таблица источник замены", kPlain},
      {form.Label5, "Поле источник замены", kPlain},
      {form.Label7, "Соответствия", kBold},
      {form.Label11,
       "Нажмите кнопку Загрузить. Заполните необходимые соответствия и передите к следующему "
       "шагу.",
       kWrapped},
      {form.Label8, "Скрипт", kBold},
      {form.Label12, "Нажмите кнопку Создать. Затем нажмите кнопку Выполнить.", kPlain},
      {form.Label14,
       "Не изменяйте сформированный ниже текст, если Вы не знакомы  с языком скриптов.",
       kRedWrapped},
  };
  const QColor plainColour = form.Label1->palette().color(QPalette::WindowText);
  for (const Caption& c : labels) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.label->text().toStdString(), c.text);
    EXPECT_EQ(c.label->font().bold(), c.style == kBold);
    EXPECT_EQ(c.label->wordWrap(), c.style == kWrapped || c.style == kRedWrapped);
    const bool red = c.style == kRed || c.style == kRedWrapped;
    EXPECT_EQ(c.label->palette().color(QPalette::WindowText), red ? QColor(Qt::red) : plainColour);
  }
  const std::pair<const QPushButton*, const char*> buttons[] = {
      {form.ButtonNew, "Создать"},    {form.ButtonLoad, "Загрузить"},
      {form.ButtonSave, "Сохранить"}, {form.ButtonRead, "Загрузить"},
      {form.ButtonGen, "Создать"},    {form.ButtonDo, "Выполнить"},
  };
  for (const auto& [button, text] : buttons) {
    EXPECT_EQ(button->text().toStdString(), text) << button->objectName().toStdString();
  }
  EXPECT_EQ(form.PageControl1->tabText(1), "Шаг 2");
  EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
  EXPECT_EQ(form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(WizardFormTest, FirstArgumentAOffersCreateAndSave) {
  struct Case {
    std::vector<std::string> arguments;
    bool offered;
  };
  for (const Case& c : {Case{{}, false}, Case{{"A"}, true}, Case{{"a"}, false},
                        Case{{"A", "x"}, true}, Case{{"x", "A"}, false}}) {
    SCOPED_TRACE(c.arguments.empty() ? "no arguments" : c.arguments.front());
    TFormUM& form = ShowForm(c.arguments);
    EXPECT_EQ(!form.ButtonNew->isHidden(), c.offered);
    EXPECT_FALSE(form.ButtonLoad->isHidden());
    EXPECT_EQ(!form.ButtonSave->isHidden(), c.offered);
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WizardFormTest, ShowOpensTheSessionAndLoadsTheCurrentSetting) {
  TFormUM& form = ShowForm({"A"});
  EXPECT_TRUE(zelDB().Connected());
  EXPECT_EQ(zelDB().ConnectText(), "Morvane");
  EXPECT_EQ(form.Edit6->text(), "Goods.Unit");
  EXPECT_EQ(form.Edit1->text(), "Goods");
  EXPECT_EQ(form.Edit3->text(), "Good");
  EXPECT_EQ(form.Edit5->text(), "Ident");
  EXPECT_TRUE(form.ButtonRead->isEnabled());
  EXPECT_FALSE(form.ButtonGen->isEnabled());
  EXPECT_FALSE(form.ButtonDo->isEnabled());
  ASSERT_EQ(form.PopupMenu1->actions().size(), 2);
  EXPECT_EQ(form.PopupMenu1->actions()[0]->text(), "Goods.Unit");
  EXPECT_EQ(form.PopupMenu1->actions()[1]->text(), "Parts.Unit");
  EXPECT_FALSE(std::filesystem::exists(IniPath()));  // showing writes nothing
}

TEST_F(WizardFormTest, FifthCharacterOfTheReplySelectsTheDialect) {
  struct Case {
    const char* reply;
    TzelEngine engine;
    char quote;
    const char* literal;
  };
  const Case cases[] = {
      {"00001", zeMSSQL, '\'', "'31/12/2026'"},
      {"00002", zeDAO, '#', "#12/31/2026#"},
      {"00003x", zeMSSQL_O, '\'', "'31/12/2026'"},
      {"00009", zeDAO, '\'', "'31/12/2026'"},  // unknown: the session's own
      {"0002", zeDAO, '\'', "'31/12/2026'"},   // too short: the session's own
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    form_.reset();
    StartSession();
    FakeServer().initReply = c.reply;
    TFormUM& form = ShowForm({});
    EXPECT_EQ(zelDB().Engine(), c.engine);
    EXPECT_EQ(zelDB().DateQuote(), c.quote);
    EXPECT_EQ(form.AppCommander()->Period.DateText(EncodeDate(2026, 12, 31)), c.literal);
  }
}

TEST_F(WizardFormTest, ChoosingASettingMakesItCurrentAndReloadsTheEdits) {
  WriteIni("[Parts.Unit]\r\nSrcTbl=Parts\r\nSrcFld=Unit\r\nSUnFld=Part\r\n");
  TFormUM& form = ShowForm({});
  form.Memo1->setPlainText("UPDATE x");
  form.ButtonRead->setEnabled(false);
  form.ButtonGen->setEnabled(true);
  form.ButtonLoad->click();
  EXPECT_TRUE(form.PopupMenu1->isVisible());
  EXPECT_EQ(form.PopupMenu1->pos(), form.pos() + form.ButtonLoad->pos());
  form.PopupMenu1->actions()[1]->trigger();

  EXPECT_EQ(TIniFile(IniPath()).ReadString("Main", "CurrCfg", ""), "Parts.Unit");
  EXPECT_EQ(form.Edit6->text(), "Parts.Unit");
  EXPECT_EQ(form.Edit1->text(), "Parts");
  EXPECT_EQ(form.Edit3->text(), "Part");
  EXPECT_EQ(form.Edit4->text(), "Units");  // missing key: the default
  EXPECT_EQ(form.AppCommander()->Cfg.SrcFullKey, "Parts.Part");
  EXPECT_FALSE(form.ButtonGen->isEnabled());
  EXPECT_FALSE(form.ButtonDo->isEnabled());
  EXPECT_FALSE(form.ButtonRead->isEnabled());  // keeps its state
  EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
}

TEST_F(WizardFormTest, NewDisablesStepTwoUntilSave) {
  TFormUM& form = ShowForm({"A"});
  form.Memo1->setPlainText("UPDATE x");
  form.ButtonNew->click();
  for (const QLineEdit* edit :
       {form.Edit6, form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit5}) {
    EXPECT_TRUE(edit->text().isEmpty());
  }
  EXPECT_FALSE(form.ButtonRead->isEnabled());
  EXPECT_FALSE(form.ButtonGen->isEnabled());
  EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
  EXPECT_FALSE(std::filesystem::exists(IniPath()));

  form.Edit6->setText("ignored");
  form.Edit1->setText("Parts");
  form.Edit2->setText("Unit");
  form.Edit3->setText("Part");
  form.Edit4->setText("Units");
  form.Edit5->setText("Ident");
  form.ButtonSave->click();
  EXPECT_TRUE(form.ButtonRead->isEnabled());
  EXPECT_FALSE(form.ButtonGen->isEnabled());
  EXPECT_EQ(form.Edit6->text(), "ignored");  // not refreshed by a save
  TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "Parts.Unit");
  EXPECT_EQ(ini.ReadString("Parts.Unit", "SUnFld", ""), "Part");
  EXPECT_FALSE(ini.SectionExists("ignored"));
}

TEST_F(WizardFormTest, TablesOpenThroughTheSessionAndStepOneHandlersCloseThem) {
  TFormUM& form = ShowForm({"A"});
  EXPECT_EQ(form.DataSourceM->DataSet(), form.TableM);
  const std::function<void()> handlers[] = {
      [&] { form.ButtonSave->click(); },  // saves the edits FormShow filled
      [&] { form.ButtonNew->click(); },
      [&] { form.PopupMenu1->actions()[0]->trigger(); },
  };
  for (const auto& handler : handlers) {
    FakeServer().requests.clear();
    ASSERT_TRUE(
        form.DS_Open(form.TableI, "Ident", &CMorvane::BuildSourceQuery, form.AppCommander()));
    ASSERT_TRUE(form.DS_Open(form.TableM, "", &CMorvane::BuildMappingQuery, form.AppCommander()));
    ASSERT_EQ(FakeServer().requests.size(), 2u);
    EXPECT_EQ(FakeServer().requests[0], "SELECT * FROM " + form.AppCommander()->Cfg.InfTbl);
    EXPECT_EQ(form.TableM->FieldCount(), 2);
    handler();
    EXPECT_FALSE(form.TableM->Active());
    EXPECT_FALSE(form.TableI->Active());
  }
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WizardFormTest, RefusedConnectionLeavesTheDesignState) {
  FakeServer().initStatus = -1;
  TFormUM& form = ShowForm({"A"});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Невозможно соединиться с сервером. Работа прекращена.");
  EXPECT_FALSE(zelDB().Connected());
  ExpectDesignState(form);
}

TEST_F(WizardFormTest, SessionErrorsAreShownByTheStandardDisplay) {
  FakeServer().initStatus = -2;
  TFormUM& form = ShowForm({"A"});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Невозможно соединиться с сервером");
  ExpectDesignState(form);
}

TEST_F(WizardFormTest, MissingTransportLibraryIsNamed) {
  StartSession(/*libraryPresent=*/false);
  TFormUM& form = ShowForm({"A"});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Не найден файл netbrgt.dll");
  ExpectDesignState(form);
  EXPECT_EQ(FakeServer().initCalls, 0);
}

}  // namespace
}  // namespace morvane
