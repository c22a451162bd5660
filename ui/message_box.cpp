#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/application.h"
#include "ui/dialog_internal.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

namespace {

QMessageBox::Icon QtIcon(Icon icon) {
  switch (icon) {
    case Icon::error:
      return QMessageBox::Critical;
    case Icon::warning:
      return QMessageBox::Warning;
    case Icon::information:
      return QMessageBox::Information;
    case Icon::question:
      return QMessageBox::Question;
    case Icon::none:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(Buttons buttons) {
  switch (buttons) {
    case Buttons::yes_no:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::ok_cancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::yes_no_cancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::ok:
      break;
  }
  return QMessageBox::Ok;
}

int AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes:
      return answer_yes;
    case QMessageBox::No:
      return answer_no;
    case QMessageBox::Cancel:
      return answer_cancel;
    default:
      return answer_ok;
  }
}

}  // namespace

int ShowMessage(Handle owner, const std::string& text, const std::string& caption, Buttons buttons,
                Icon icon) {
  if (ScriptedOperator* scripted = CurrentOperator()) {
    RecordedBox box;
    box.owner = owner;
    box.text = text;
    box.caption = caption;
    box.buttons = buttons;
    box.icon = icon;
    box.active_dialog = DialogIdentity(InnermostModal());
    return scripted->OnMessageBox(std::move(box));
  }
  EnsureApplication();
  QMessageBox box(QtIcon(icon), ToQt(caption), ToQt(text), QtButtons(buttons), OwnerWidget(owner));
  // A Yes/No box cannot be cancelled: Escape answers No.
  if (buttons == Buttons::yes_no) box.setEscapeButton(QMessageBox::No);
  return AnswerOf(box.exec());
}

void InformationBeep() {
  QApplication::beep();
}

}  // namespace ui
