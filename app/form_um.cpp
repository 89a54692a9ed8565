#include "app/form_um.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/db/component.h"
#include "platform/db/data_source.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/popup_menu.h"
#include "server/table.h"

namespace morvane {

namespace {

constexpr char kNoCommander[] = "TFormUM::FormShow :\r\n AppCommander undefine !";
const char* const kSettingNames[] = {"Goods.Unit", "Parts.Unit"};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}
std::string Text(const QLineEdit* edit) {
  return edit->text().toStdString();
}

// Connects a button to a handler that runs guarded.
template <class Handler>
void OnClick(QPushButton* button, Handler handler) {
  QObject::connect(button, &QPushButton::clicked, button, [handler] { Guarded(handler); });
}

}  // namespace

TFormUM::TFormUM(TFormUMOptions options, QWidget* parent)
    : TForm_Template1(parent), options_(std::move(options)) {
  CreateComponents();
  CreateDataComponents();
  OnClick(ButtonNew, [this] { ButtonNewClick(); });
  OnClick(ButtonLoad, [this] { ButtonLoadClick(); });
  OnClick(ButtonSave, [this] { ButtonSaveClick(); });
  OnClick(ButtonRead, [this] { ButtonReadClick(); });
  OnClick(ButtonGen, [this] { ButtonGenClick(); });
  OnClick(ButtonDo, [this] { ButtonDoClick(); });
  // A command object that cannot be built leaves the pointer null; FormShow
  // reports it.
  try {
    appCommander_ = std::make_unique<CMorvane>(options_.SettingsDir);
  } catch (const std::exception&) {
    appCommander_.reset();
  }
  Guarded([this] { FormCreate(); });
}

TFormUM::~TFormUM() {
  FormDestroy();
}

void TFormUM::FormCreate() {
  setWindowTitle(Text(Application().Title()));
}

void TFormUM::CreateDataComponents() {
  components_ = std::make_unique<TComponent>();
  auto makeTable = [this](const char* name) {
    auto* table = new TzelTable(components_.get());
    table->SetName(name);
    return table;
  };
  TableM = makeTable("TableM");
  DataSourceM = new TDataSource(components_.get());
  DataSourceM->SetName("DataSourceM");
  DataSourceM->SetDataSet(TableM);
  TableS = makeTable("TableS");
  TableI = makeTable("TableI");
}

void TFormUM::CloseMappingTables() {
  DS_Close(TableM);
  DS_Close(TableI);
}

void TFormUM::FormDestroy() {
  Guarded([this] { CloseMappingTables(); });
  appCommander_.reset();
}

bool TFormUM::FirstArgumentIsA() const {
  return !options_.Arguments.empty() && options_.Arguments.front() == "A";
}

void TFormUM::ShowSettings() {
  const CMvCFG& cfg = appCommander_->Cfg;
  Edit6->setText(Text(cfg.CfgName));
  Edit1->setText(Text(cfg.SrcTbl));
  Edit2->setText(Text(cfg.SrcFld));
  Edit3->setText(Text(cfg.SUnFld));
  Edit4->setText(Text(cfg.InfTbl));
  Edit5->setText(Text(cfg.InfFld));
}

void TFormUM::FormShow() {
  if (!appCommander_) {
    MessageBoxStop(kNoCommander);
    return;
  }
  if (!appCommander_->Init()) return;
  ButtonNew->setVisible(FirstArgumentIsA());
  ButtonLoad->setVisible(true);
  ButtonSave->setVisible(FirstArgumentIsA());
  appCommander_->Cfg.Load();
  ShowSettings();
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  ButtonRead->setEnabled(true);
  for (const char* name : kSettingNames) {
    auto* item = new QAction(QString::fromUtf8(name), this);
    connect(item, &QAction::triggered, this,
            [this, item] { Guarded([this, item] { SettingItemClick(item); }); });
    PopupMenu1->addAction(item);
  }
}

void TFormUM::SettingItemClick(QAction* item) {
  if (!appCommander_) return;  // FormShow has said so already
  CMvCFG& cfg = appCommander_->Cfg;
  cfg.CfgName = item->text().toStdString();
  cfg.SaveCurrent();
  cfg.Load();
  ShowSettings();
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

void TFormUM::ButtonLoadClick() {
  // The form's outer position plus the button's place on its tab sheet, as
  // the menu has always popped up.
  PopupAt(PopupMenu1, x() + ButtonLoad->x(), y() + ButtonLoad->y());
}

void TFormUM::ButtonNewClick() {
  for (QLineEdit* edit : {Edit6, Edit1, Edit2, Edit3, Edit4, Edit5}) edit->clear();
  ButtonRead->setEnabled(false);
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

void TFormUM::ButtonSaveClick() {
  // The buttons keep their design state when FormShow found no command
  // object; saving then has nowhere to go.
  if (!appCommander_) return;
  CMvCFG& cfg = appCommander_->Cfg;
  cfg.SrcTbl = Text(Edit1);
  cfg.SrcFld = Text(Edit2);
  cfg.SUnFld = Text(Edit3);
  cfg.InfTbl = Text(Edit4);
  cfg.InfFld = Text(Edit5);
  cfg.Save();
  ButtonRead->setEnabled(true);
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

}  // namespace morvane
