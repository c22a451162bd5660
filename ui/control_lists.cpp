// List boxes and combo boxes.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include "ui/controls.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

namespace {

QListWidget* ListOf(const WindowRecord* record) {
  return record ? qobject_cast<QListWidget*>(record->client.data()) : nullptr;
}

QComboBox* ComboOf(const WindowRecord* record) {
  return record ? qobject_cast<QComboBox*>(record->client.data()) : nullptr;
}

// Where a new item goes: the end, or its place in case-insensitive order.
template <typename TextAt>
int InsertionPoint(const WindowRecord& record, int count, const QString& text, TextAt text_at) {
  if (!(record.control->style & style_sort)) return count;
  int index = 0;
  while (index < count && QString::compare(text_at(index), text, Qt::CaseInsensitive) <= 0) ++index;
  return index;
}

}  // namespace

void ClearItems(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  const ProgrammaticChange change(dialog);
  if (QListWidget* list = ListOf(record)) list->clear();
  if (QComboBox* combo = ComboOf(record)) combo->clear();
}

int AddItem(Handle dialog, int id, const std::string& text) {
  const WindowRecord* record = ControlRecord(dialog, id);
  const QString item = ToQt(text);
  const ProgrammaticChange change(dialog);
  if (QListWidget* list = ListOf(record)) {
    const int index =
        InsertionPoint(*record, list->count(), item, [list](int at) { return list->item(at)->text(); });
    list->insertItem(index, item);
    return index;
  }
  if (QComboBox* combo = ComboOf(record)) {
    const int index = InsertionPoint(*record, combo->count(), item, [combo](int at) { return combo->itemText(at); });
    // Adding never selects, nor changes what an editable combo shows.
    const bool had_selection = combo->currentIndex() >= 0;
    const QString shown = combo->currentText();
    combo->insertItem(index, item);
    if (!had_selection) {
      combo->setCurrentIndex(-1);
      if (combo->isEditable()) combo->setEditText(shown);
    }
    return index;
  }
  return -1;
}

int ItemCount(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (const QListWidget* list = ListOf(record)) return list->count();
  if (const QComboBox* combo = ComboOf(record)) return combo->count();
  return 0;
}

std::string ItemText(Handle dialog, int id, int index) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (const QListWidget* list = ListOf(record); list && index >= 0 && index < list->count())
    return FromQt(list->item(index)->text());
  if (const QComboBox* combo = ComboOf(record); combo && index >= 0 && index < combo->count())
    return FromQt(combo->itemText(index));
  return {};
}

int Selection(Handle dialog, int id) {
  const WindowRecord* record = ControlRecord(dialog, id);
  if (const QListWidget* list = ListOf(record)) return list->currentRow();
  if (const QComboBox* combo = ComboOf(record)) return combo->currentIndex();
  return -1;
}

void Select(Handle dialog, int id, int index) {
  const WindowRecord* record = ControlRecord(dialog, id);
  const ProgrammaticChange change(dialog);
  if (QListWidget* list = ListOf(record); list && index < list->count()) list->setCurrentRow(index < 0 ? -1 : index);
  if (QComboBox* combo = ComboOf(record); combo && index < combo->count()) combo->setCurrentIndex(index < 0 ? -1 : index);
}

int FindItem(Handle dialog, int id, const std::string& text) {
  const int count = ItemCount(dialog, id);
  const QString wanted = ToQt(text);
  for (int index = 0; index < count; ++index) {
    if (QString::compare(ToQt(ItemText(dialog, id, index)), wanted, Qt::CaseInsensitive) == 0) return index;
  }
  return -1;
}

}  // namespace ui
