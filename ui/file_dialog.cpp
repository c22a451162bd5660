#include "ui/file_dialog.h"

#include <QFile>
#include <QFileDialog>

#include "ui/application.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

bool ChooseFile(Handle owner, const FileDialogRequest& request, std::string& path) {
  if (ScriptedOperator* scripted = CurrentOperator()) return scripted->OnFileDialog(request, path);
  EnsureApplication();
  // Paths are in the file system's encoding, unlike the Latin-1 texts of the devices.
  QFileDialog dialog(OwnerWidget(owner), ToQt(request.title),
                     QFile::decodeName(request.directory.c_str()));
  dialog.setAcceptMode(request.kind == FileDialogKind::save ? QFileDialog::AcceptSave
                                                            : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!request.filter_pattern.empty())
    dialog.setNameFilter(ToQt(request.filter_name + " (" + request.filter_pattern + ")"));
  dialog.setDefaultSuffix(ToQt(request.default_extension));
  if (!request.confirm_overwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!path.empty()) dialog.selectFile(QFile::decodeName(path.c_str()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
  return true;
}

}  // namespace ui
