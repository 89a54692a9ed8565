// TzelPopupTree: the tree drop-down of the data edit control, the rows of a
// lookup dataset arranged by a level field, in a pop-up window that never
// takes the focus. Each node carries a caption and, as its data, the row's
// unique id (at most 255 characters).
//
// PrepareTree fills the tree from a dataset read from first to last: level 1
// starts a top-level node, levels 2 to 6 go under the node added last at the
// level one less, any other level under the node added last at level 6; a
// missing parent makes a top-level node. The node remembered for each level
// stays remembered through the whole pass. A dataset that cannot be opened
// leaves the tree as it was.
#pragma once

#include <QTreeWidget>
#include <string>

#include "controls/editors/listbox.h"

namespace morvane {

class TDataSet;

class TzelPopupTree : public QTreeWidget {
 public:
  static constexpr int kMaxUniqueIdChars = 255;

  explicit TzelPopupTree(QWidget* parent = nullptr);

  // A node appended under parent (null: at the top level).
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& caption,
                           const std::string& uniqueId);
  static std::string NodeUniqueId(const QTreeWidgetItem* node);
  static std::string NodeCaption(const QTreeWidgetItem* node);

  // The first node in tree order whose unique id equals the text exactly.
  QTreeWidgetItem* FindNodeByUniqueID(const std::string& uniqueId) const;
  // The captions from the top-level ancestor down to the node, joined by
  // the separator; empty for no node.
  static std::string GetFullNodeCaption(const QTreeWidgetItem* node, char separator);
  std::string GetFullCaption(const std::string& uniqueId, char separator) const;

  void PrepareTree(TDataSet* dataSet, const std::string& uniqueField,
                   const std::string& levelField, const std::string& textField);

  TPopupMouseUpEvent OnMouseUp;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace morvane
