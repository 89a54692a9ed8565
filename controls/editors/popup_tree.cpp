#include "controls/editors/popup_tree.h"

#include <QMouseEvent>
#include <array>

#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "platform/rtl/text.h"
#include "platform/ui/popup_window.h"

namespace morvane {

namespace {

constexpr int kUniqueIdRole = Qt::UserRole;
constexpr int kDeepestLevel = 6;

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), int(text.size())); }

QTreeWidgetItem* FindIn(QTreeWidgetItem* node, const QString& uniqueId) {
  if (node->data(0, kUniqueIdRole).toString() == uniqueId) return node;
  for (int index = 0; index < node->childCount(); ++index) {
    if (QTreeWidgetItem* found = FindIn(node->child(index), uniqueId)) return found;
  }
  return nullptr;
}

}  // namespace

TzelPopupTree::TzelPopupTree(QWidget* parent) : QTreeWidget(parent) {
  MakePopupWindow(this);
  viewport()->setFocusPolicy(Qt::NoFocus);
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setFrameStyle(QFrame::Box | QFrame::Plain);
}

QTreeWidgetItem* TzelPopupTree::AddNode(QTreeWidgetItem* parent, const std::string& caption,
                                        const std::string& uniqueId) {
  auto* node = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  node->setText(0, Utf8(caption));
  node->setData(0, kUniqueIdRole, Utf8(std::string(Utf8Left(uniqueId, kMaxUniqueIdChars))));
  return node;
}

std::string TzelPopupTree::NodeUniqueId(const QTreeWidgetItem* node) {
  return node != nullptr ? node->data(0, kUniqueIdRole).toString().toStdString() : std::string();
}

std::string TzelPopupTree::NodeCaption(const QTreeWidgetItem* node) {
  return node != nullptr ? node->text(0).toStdString() : std::string();
}

QTreeWidgetItem* TzelPopupTree::FindNodeByUniqueID(const std::string& uniqueId) const {
  const QString wanted = Utf8(uniqueId);
  for (int index = 0; index < topLevelItemCount(); ++index) {
    if (QTreeWidgetItem* found = FindIn(topLevelItem(index), wanted)) return found;
  }
  return nullptr;
}

std::string TzelPopupTree::GetFullNodeCaption(const QTreeWidgetItem* node, char separator) {
  if (node == nullptr) return {};
  std::string caption = NodeCaption(node);
  for (const QTreeWidgetItem* ancestor = node->parent(); ancestor != nullptr;
       ancestor = ancestor->parent()) {
    caption = NodeCaption(ancestor) + separator + caption;
  }
  return caption;
}

std::string TzelPopupTree::GetFullCaption(const std::string& uniqueId, char separator) const {
  return GetFullNodeCaption(FindNodeByUniqueID(uniqueId), separator);
}

void TzelPopupTree::PrepareTree(TDataSet* dataSet, const std::string& uniqueField,
                                const std::string& levelField, const std::string& textField) {
  if (dataSet == nullptr || uniqueField.empty() || levelField.empty() || textField.empty()) return;
  if (!dataSet->Active()) {
    try {
      dataSet->Open();
    } catch (const std::exception&) {
      return;  // a lookup dataset that cannot be opened leaves the tree as it was
    }
  }
  clear();
  setUpdatesEnabled(false);
  dataSet->DisableControls();
  try {
    TField* unique = dataSet->FieldByName(uniqueField);
    TField* level = dataSet->FieldByName(levelField);
    TField* text = dataSet->FieldByName(textField);
    // lastAtLevel[n]: the node added last at level n (1..6).
    std::array<QTreeWidgetItem*, kDeepestLevel + 1> lastAtLevel{};
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
      const int rowLevel = level->AsInteger();
      QTreeWidgetItem* parent = nullptr;
      int placedLevel = kDeepestLevel;
      if (rowLevel == 1) {
        placedLevel = 1;
      } else if (rowLevel >= 2 && rowLevel <= kDeepestLevel) {
        placedLevel = rowLevel;
        parent = lastAtLevel[size_t(rowLevel - 1)];
      } else {
        parent = lastAtLevel[kDeepestLevel];
      }
      QTreeWidgetItem* node = AddNode(parent, text->AsString(), unique->AsString());
      if (rowLevel >= 1 && rowLevel <= kDeepestLevel) lastAtLevel[size_t(placedLevel)] = node;
    }
  } catch (...) {
    dataSet->EnableControls();
    setUpdatesEnabled(true);
    throw;
  }
  dataSet->EnableControls();
  setUpdatesEnabled(true);
}

void TzelPopupTree::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint());
}

}  // namespace morvane
