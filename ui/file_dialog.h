// The platform's open and save file dialogs. Under a scripted operator
// (scripted_operator.h) no dialog is shown: the operator records the request
// and gives the answer.
#pragma once

#include <string>

#include "ui/window.h"

namespace ui {

enum class FileDialogKind { open, save };

struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::open;
  std::string title;
  std::string filter_name;         // "Configuration Files"
  std::string filter_pattern;      // "*.cfg"; empty: every file
  std::string default_extension;   // added to a name typed without one ("cfg")
  std::string directory;           // where it starts; empty: the current directory
  bool must_exist = false;         // only an existing file is taken
  bool confirm_overwrite = false;  // a save dialog asks before an existing file is replaced
};

// path gives the name shown at first; on true it holds the chosen path.
// false when the operator cancels.
bool ChooseFile(Handle owner, const FileDialogRequest& request, std::string& path);

}  // namespace ui
