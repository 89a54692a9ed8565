// A small form for the data edit control's widget tests and its demo
// pictures: an edit between two plain edits and a default OK button, over a
// table of goods (ID, UNIT_ID key, UNIT_NAME display text, CODE, D date,
// NOTE of six bytes), the units lookup table and a tree of catalogue groups.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "controls/editors/db_edit.h"
#include "controls/editors/editor_test_support.h"
#include "platform/db/data_source.h"
#include "platform/ui/message_box.h"

namespace morvane::testing {

inline std::vector<char> GoodsBuffer() {
  return TestBuffer()
      .Layout({"G.ID i", "G.UNIT_ID i", "G.UNIT_NAME s40", "G.CODE s10", "G.D d", "G.NOTE 6"})
      .Record({Int(1), Int(3), Text("метр"), Text("1"), Absent(), Small("ab")})
      .Record({Int(2), Int(6), Text("литр"), Text("3"), Absent(), Absent()})
      .Bytes();
}

// Catalogue groups: ID, LVL (1 = top level), NAME.
inline std::vector<char> GroupsBuffer() {
  return TestBuffer()
      .Layout({"T.ID s10", "T.LVL i", "T.NAME s40"})
      .Record({Text("A"), Int(1), Text("Металл")})
      .Record({Text("A1"), Int(2), Text("Трубы")})
      .Record({Text("A2"), Int(2), Text("Листы")})
      .Record({Text("B"), Int(1), Text("Дерево")})
      .Record({Text("B1"), Int(2), Text("Брус")})
      .Bytes();
}

class DBEditFixture : public ::testing::Test {
 public:
  void SetUp() override {
    units = std::make_unique<MemoryDataset>(UnitsBuffer());
    units->SetName("Units");
    units->Open();
    groups = std::make_unique<MemoryDataset>(GroupsBuffer());
    groups->SetName("Groups");
    groups->Open();
    goods = std::make_unique<MemoryDataset>(GoodsBuffer());
    goods->SetName("Goods");
    goods->Open();
    source = std::make_unique<TDataSource>();
    source->SetDataSet(goods.get());
    form = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(form.get());
    before = new QLineEdit(form.get());
    edit = new TzelDBEdit(form.get());
    edit->setObjectName("DBEdit1");
    after = new QLineEdit(form.get());
    okButton = new QPushButton("OK", form.get());
    okButton->setDefault(true);
    QObject::connect(okButton, &QPushButton::clicked, [this] { ++okClicks; });
    for (QWidget* widget : {static_cast<QWidget*>(before), static_cast<QWidget*>(edit),
                            static_cast<QWidget*>(after), static_cast<QWidget*>(okButton)}) {
      layout->addWidget(widget);
    }
    form->resize(260, 160);
    form->move(40, 40);
    form->show();
    QApplication::setActiveWindow(form.get());
    previousHook = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) { messages.push_back(text); });
  }

  void TearDown() override {
    form.reset();
    source.reset();
    goods.reset();
    groups.reset();
    units.reset();
    SetMessageBoxHook(previousHook);
  }

  void Bind(const std::string& field) {
    edit->SetDataSource(source.get());
    edit->SetDataField(field);
  }

  void Focus(QWidget* widget) {
    widget->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
  }

  std::string Goods(const char* field) { return goods->FieldByName(field)->AsString(); }

  std::unique_ptr<MemoryDataset> units;
  std::unique_ptr<MemoryDataset> groups;
  std::unique_ptr<MemoryDataset> goods;
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<QWidget> form;
  QLineEdit* before = nullptr;
  TzelDBEdit* edit = nullptr;
  QLineEdit* after = nullptr;
  QPushButton* okButton = nullptr;
  int okClicks = 0;
  std::vector<std::string> messages;
  TMessageBoxHook previousHook;
};

}  // namespace morvane::testing
