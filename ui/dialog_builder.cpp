#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>

#include "ui/application.h"
#include "ui/control_widgets.h"
#include "ui/controls.h"
#include "ui/dialog_internal.h"
#include "ui/registry.h"
#include "ui/scroll_bars.h"
#include "ui/text.h"
#include "ui/window_widget.h"

namespace ui::detail {

namespace {

// Dialog units of the template font: a quarter of the average character
// width across, an eighth of the character height down.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    base_x_ = std::max(1, (alphabet / 26 + 1) / 2);
    base_y_ = std::max(1, metrics.height());
  }
  int X(int units) const { return (units * base_x_ + 2) / 4; }
  int Y(int units) const { return (units * base_y_ + 4) / 8; }

 private:
  int base_x_;
  int base_y_;
};

Qt::Alignment HorizontalAlignment(unsigned style) {
  if (style & style_centre) return Qt::AlignHCenter;
  if (style & style_right) return Qt::AlignRight;
  return Qt::AlignLeft;
}

QWidget* MakeButton(const ControlTemplate& control, Handle handle, QWidget* parent) {
  QAbstractButton* button = nullptr;
  switch (control.kind) {
    case ControlKind::check_box:
      button = new QCheckBox(parent);
      break;
    case ControlKind::three_state_box: {
      auto* box = new ThreeStateBox(parent);
      box->setTristate(true);
      button = box;
      break;
    }
    case ControlKind::radio_button:
      button = new QRadioButton(parent);
      break;
    default: {
      auto* push = control.style & style_owner_draw ? new OwnerDrawButton(handle, parent) : new QPushButton(parent);
      push->setAutoDefault(false);
      push->setDefault(control.kind == ControlKind::default_button);
      button = push;
      break;
    }
  }
  button->setText(ToQt(control.caption));
  QObject::connect(button, &QAbstractButton::clicked, button, [handle] { Notify(handle, notify_clicked, false); });
  WatchColours(button);
  return button;
}

QWidget* MakeLabel(const ControlTemplate& control, QWidget* parent, int height) {
  auto* label = new QLabel(WithoutMnemonics(control.caption), parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(HorizontalAlignment(control.style) | Qt::AlignTop);
  // Texts of several lines wrap; one-line texts are cut, never broken.
  label->setWordWrap(height >= 2 * QFontMetrics(parent->font()).height());
  if (control.style & style_sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  WatchColours(label);
  return label;
}

QWidget* MakeEdit(const ControlTemplate& control, Handle handle, QWidget* parent) {
  if (control.kind == ControlKind::multiline_edit) {
    auto* edit = new QPlainTextEdit(ToQt(control.caption), parent);
    edit->setReadOnly(control.style & style_read_only);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [handle] { Notify(handle, notify_edit_change, false); });
    WatchFocus(edit, handle);
    return edit;
  }
  auto* edit = new QLineEdit(ToQt(control.caption), parent);
  edit->setAlignment(HorizontalAlignment(control.style));
  edit->setReadOnly(control.style & style_read_only);
  if (control.style & style_password) edit->setEchoMode(QLineEdit::Password);
  if (control.style & style_number)
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  // Like the desktop edit, programmatic changes notify too.
  QObject::connect(edit, &QLineEdit::textChanged, edit, [handle] { Notify(handle, notify_edit_change, false); });
  WatchFocus(edit, handle);
  return edit;
}

QWidget* MakeList(const ControlTemplate& control, Handle handle, QWidget* parent) {
  if (control.kind == ControlKind::list_box) {
    auto* list = new QListWidget(parent);
    QObject::connect(list, &QListWidget::currentRowChanged, list, [handle] { Notify(handle, notify_selection_change); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, list, [handle] { Notify(handle, notify_double_click); });
    return list;
  }
  auto* combo = new QComboBox(parent);
  QObject::connect(combo, &QComboBox::activated, combo, [handle] { Notify(handle, notify_selection_change); });
  if (control.kind == ControlKind::combo_edit) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The desktop combo does not complete what is typed.
    combo->setCompleter(nullptr);
    combo->setEditText(ToQt(control.caption));
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [handle] { Notify(handle, notify_combo_edit_change); });
  }
  return combo;
}

QWidget* MakeTree(Handle handle, QWidget* parent) {
  auto* tree = new QTreeWidget(parent);
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  QObject::connect(tree, &QTreeWidget::currentItemChanged, tree, [handle] { Notify(handle, notify_selection_change); });
  QObject::connect(tree, &QTreeWidget::itemDoubleClicked, tree, [handle] { Notify(handle, notify_double_click); });
  WatchKeys(tree, handle);
  return tree;
}

QWidget* MakeControl(const ControlTemplate& control, WindowRecord& record, QWidget* parent, int height) {
  const Handle handle = record.handle;
  switch (control.kind) {
    case ControlKind::push_button:
    case ControlKind::default_button:
    case ControlKind::check_box:
    case ControlKind::three_state_box:
    case ControlKind::radio_button:
      return MakeButton(control, handle, parent);
    case ControlKind::group_box: {
      auto* box = new QGroupBox(ToQt(control.caption), parent);
      // A frame drawn around other controls, not their parent: it must not take their clicks.
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      WatchColours(box);
      return box;
    }
    case ControlKind::static_text:
      return MakeLabel(control, parent, height);
    case ControlKind::edit:
    case ControlKind::multiline_edit:
      return MakeEdit(control, handle, parent);
    case ControlKind::list_box:
    case ControlKind::combo_list:
    case ControlKind::combo_edit:
      return MakeList(control, handle, parent);
    case ControlKind::horizontal_scroll:
    case ControlKind::vertical_scroll: {
      auto* bar = new QScrollBar(control.kind == ControlKind::horizontal_scroll ? Qt::Horizontal : Qt::Vertical, parent);
      ApplyRange(bar, record.control->range, true);
      WireScrollBar(bar, handle);
      return bar;
    }
    case ControlKind::progress_bar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setRange(0, 100);
      bar->setValue(0);
      return bar;
    }
    case ControlKind::tree_view:
      return MakeTree(handle, parent);
    case ControlKind::up_down:
      // The desktop default: minimum 100, maximum 0.
      record.control->range = {100, 0, 0, 0};
      return new UpDownWidget(handle, parent);
    case ControlKind::custom: {
      const WindowClass* window_class = FindClass(control.class_name);
      if (!window_class) return nullptr;
      record.procedure = window_class->procedure;
      record.background = window_class->background;
      record.extra_bytes = window_class->extra_bytes;
      return new WindowWidget(handle, parent);
    }
  }
  return nullptr;
}

void SetFocusPolicy(QWidget& widget, const ControlTemplate& control, bool class_dialog) {
  switch (control.kind) {
    case ControlKind::static_text:
    case ControlKind::group_box:
    case ControlKind::progress_bar:
      widget.setFocusPolicy(Qt::NoFocus);
      return;
    case ControlKind::push_button:
    case ControlKind::default_button:
    case ControlKind::check_box:
    case ControlKind::three_state_box:
    case ControlKind::radio_button:
    case ControlKind::horizontal_scroll:
    case ControlKind::vertical_scroll:
    case ControlKind::up_down:
      // A panel keeps the keyboard itself: its keys are the device's keys.
      if (class_dialog) {
        widget.setFocusPolicy(Qt::NoFocus);
        return;
      }
      break;
    default:
      break;
  }
  widget.setFocusPolicy(control.style & style_tab_stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// Radio buttons form one group from a control with style_group up to the next one.
bool BuildControls(Handle dialog, const DialogTemplate& dialog_template, const DialogUnits& units) {
  QButtonGroup* radio_group = nullptr;
  for (const ControlTemplate& control : dialog_template.controls) {
    if (control.style & style_group) radio_group = nullptr;
    WindowRecord* owner = Find(dialog);
    if (!owner) return false;
    const bool class_dialog = owner->dialog->class_procedure;
    QWidget* parent = owner->client;
    WindowRecord& record = AddRecord(WindowKind::control, dialog);
    record.control = std::make_unique<ControlState>();
    record.control->id = control.id;
    record.control->kind = control.kind;
    record.control->style = control.style;
    record.control->text = control.caption;
    owner->dialog->controls.push_back(record.handle);
    const QRect area(units.X(control.x), units.Y(control.y), units.X(control.width), units.Y(control.height));
    QWidget* widget = MakeControl(control, record, parent, area.height());
    if (!widget) return false;
    Attach(widget, record.handle);
    record.frame = record.client = widget;
    widget->setGeometry(area);
    // A drop-down's template height is that of its open list; closed it is one line.
    if (qobject_cast<QComboBox*>(widget)) widget->resize(area.width(), widget->sizeHint().height());
    SetFocusPolicy(*widget, control, class_dialog);
    if (control.style & style_disabled) {
      widget->setEnabled(false);
      record.control->enabled_by_program = false;
    }
    if (control.style & style_hidden) widget->hide();
    if (control.kind == ControlKind::group_box) widget->lower();
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      if (!radio_group) radio_group = new QButtonGroup(parent);
      radio_group->addButton(radio);
    }
    if (control.kind == ControlKind::custom) {
      const Handle handle = record.handle;
      Send(handle, msg_create);
      if (!IsLive(dialog)) return false;
    }
  }
  return true;
}

void CentreOnOwner(QWidget& widget, Handle owner) {
  const QWidget* owner_widget = OwnerWidget(owner);
  QRect area;
  if (owner_widget && owner_widget->isVisible()) {
    area = owner_widget->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  widget.move(area.center() - QPoint(widget.width() / 2, widget.height() / 2));
}

}  // namespace

Handle BuildDialog(const DialogTemplate& dialog_template, Handle owner, Procedure procedure, LongParam init) {
  const WindowClass* window_class = dialog_template.class_name.empty() ? nullptr : FindClass(dialog_template.class_name);
  const Procedure handler = window_class ? window_class->procedure : procedure;
  if (!handler || (owner != no_window && !IsLive(owner))) return no_window;
  EnsureApplication();
  WindowRecord& record = AddRecord(WindowKind::dialog, owner);
  record.procedure = handler;
  record.style = dialog_template.style;
  if (window_class) {
    record.background = window_class->background;
    record.extra_bytes = window_class->extra_bytes;
  }
  record.dialog = std::make_unique<DialogState>();
  record.dialog->name = dialog_template.name;
  record.dialog->caption = dialog_template.caption;
  record.dialog->class_procedure = window_class != nullptr;
  const Handle dialog = record.handle;

  Qt::WindowFlags flags = Qt::Dialog;
  if ((dialog_template.style & style_popup) && !(dialog_template.style & style_caption)) flags |= Qt::FramelessWindowHint;
  auto* widget = new WindowWidget(dialog, OwnerWidget(owner), flags);
  record.frame = record.client = widget;
  if (!window_class) widget->setFocusPolicy(Qt::ClickFocus);
  QFont font(ToQt(dialog_template.font_face));
  font.setPointSize(dialog_template.font_points > 0 ? dialog_template.font_points : 8);
  widget->setFont(font);
  widget->setWindowTitle(ToQt(dialog_template.caption));
  const DialogUnits units(font);
  widget->resize(units.X(dialog_template.width), units.Y(dialog_template.height));
  CentreOnOwner(*widget, owner);

  if (window_class) Send(dialog, msg_create, 0, init);
  if (!IsLive(dialog)) return no_window;
  if (!BuildControls(dialog, dialog_template, units)) {
    Destroy(dialog);
    return no_window;
  }
  return dialog;
}

}  // namespace ui::detail
