// Tree views: items are numbers into the control's own table, so a stale one
// finds nothing instead of freed memory.
#include <QTreeWidget>

#include "ui/controls.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

namespace {

constexpr int item_role = Qt::UserRole;
constexpr int value_role = Qt::UserRole + 1;

QTreeWidget* TreeOf(const WindowRecord* record) {
  return record ? qobject_cast<QTreeWidget*>(record->client.data()) : nullptr;
}

QTreeWidgetItem* ItemOf(const WindowRecord* record, TreeItem item) {
  if (!record || !record->control) return nullptr;
  const auto found = record->control->tree_items.find(item);
  return found == record->control->tree_items.end() ? nullptr : found->second;
}

TreeItem NumberOf(const QTreeWidgetItem* item) { return item ? item->data(0, item_role).value<TreeItem>() : 0; }

}  // namespace

TreeItem AddTreeItem(Handle dialog, int id, TreeItem parent, const std::string& text, LongParam value) {
  WindowRecord* record = ControlRecord(dialog, id);
  QTreeWidget* tree = TreeOf(record);
  QTreeWidgetItem* parent_item = ItemOf(record, parent);
  if (!tree || (parent && !parent_item)) return 0;
  const ProgrammaticChange change(dialog);
  auto* added = new QTreeWidgetItem(QStringList{ToQt(text)});
  const TreeItem number = record->control->next_tree_item++;
  added->setData(0, item_role, QVariant::fromValue(number));
  added->setData(0, value_role, QVariant::fromValue<qlonglong>(value));
  if (parent_item) {
    parent_item->addChild(added);
  } else {
    tree->addTopLevelItem(added);
  }
  record->control->tree_items[number] = added;
  return number;
}

void ClearTree(Handle dialog, int id) {
  WindowRecord* record = ControlRecord(dialog, id);
  QTreeWidget* tree = TreeOf(record);
  if (!tree) return;
  const ProgrammaticChange change(dialog);
  tree->clear();
  record->control->tree_items.clear();
}

TreeItem SelectedTreeItem(Handle dialog, int id) {
  const QTreeWidget* tree = TreeOf(ControlRecord(dialog, id));
  return tree ? NumberOf(tree->currentItem()) : 0;
}

void SelectTreeItem(Handle dialog, int id, TreeItem item) {
  const WindowRecord* record = ControlRecord(dialog, id);
  QTreeWidget* tree = TreeOf(record);
  if (!tree) return;
  const ProgrammaticChange change(dialog);
  tree->setCurrentItem(ItemOf(record, item));
}

std::string TreeItemText(Handle dialog, int id, TreeItem item) {
  const QTreeWidgetItem* found = ItemOf(ControlRecord(dialog, id), item);
  return found ? FromQt(found->text(0)) : std::string();
}

LongParam TreeItemValue(Handle dialog, int id, TreeItem item) {
  const QTreeWidgetItem* found = ItemOf(ControlRecord(dialog, id), item);
  return found ? static_cast<LongParam>(found->data(0, value_role).toLongLong()) : 0;
}

std::vector<TreeItem> TreeItems(Handle dialog, int id, TreeItem parent) {
  const WindowRecord* record = ControlRecord(dialog, id);
  const QTreeWidget* tree = TreeOf(record);
  std::vector<TreeItem> items;
  if (!tree) return items;
  if (parent) {
    const QTreeWidgetItem* parent_item = ItemOf(record, parent);
    for (int n = 0; parent_item && n < parent_item->childCount(); ++n) items.push_back(NumberOf(parent_item->child(n)));
  } else {
    for (int n = 0; n < tree->topLevelItemCount(); ++n) items.push_back(NumberOf(tree->topLevelItem(n)));
  }
  return items;
}

}  // namespace ui
