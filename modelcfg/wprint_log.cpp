// The status log report: the amplifier's log file, then its fault log, in
// as many copies as asked, while logging pauses.
#include <string>

#include "app/wlog.h"
#include "modelcfg/print_page.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "ui/message_box.h"

namespace {

void ShowError(ui::Handle window, const std::string& text, ui::Icon icon) {
  ui::ShowMessage(window, text, "Error", ui::Buttons::ok, icon);
}

// Prints every copy into one document; false (shown) when the device refused.
void PrintCopies(ui::Handle window, ui::PrintJob& job, std::FILE* file, const char* name,
                 const char* fault_log, int fault_length, int device) {
  ui::PrintDevice& printer = *job.device;
  bool printed = printer.StartDocument(name);
  for (int copy = 0; printed && copy < job.copies; ++copy) {
    std::rewind(file);
    printed = PrintLogFile(printer, file, device) &&
              (fault_length <= 0 || PrintFaultLog(printer, fault_log, fault_length, device));
  }
  if (printed) printed = printer.EndDocument();
  if (!printed) ShowError(window, printer.ErrorText(), ui::Icon::error);
}

}  // namespace

bool PrintLogFile(ui::PrintDevice& hdc, std::FILE* hfile, int device) {
  char name[log_name_size];
  LogFileName(device, name);
  ReportPage page(hdc);
  if (!page.Begin(true)) return false;
  page.Put(PrintableText("Amplifier Status Log (" + std::string(name) + ")", false));
  page.Skip(1);
  char line[log_line_length + 1];
  while (!page.Failed() && GetLogLine(hfile, line)) page.Line(PrintableText(line, false));
  page.Skip(2);
  page.Put("End of Log");
  return page.End();
}

void PrintLog(ui::Handle window, int device) {
  if (device < 0 || device >= device_count) return;
  ui::PrintJob job = ui::ChoosePrinter(window);
  if (!job.device) return;
  char fault_log[fault_log_size];
  const int fault_length = GetFaultLog(window, device, fault_log);
  // Only a log that was being written goes on afterwards: a panel closing
  // has closed its log for good.
  const bool was_open = logfile[device] != nullptr;
  CloseLog(device);
  char name[log_name_size];
  LogFileName(device, name);
  // Read only: printing never changes the log.
  std::FILE* file = name[0] ? std::fopen(name, "rb") : nullptr;
  if (!file) {
    ShowError(window, "Unable to open log file.", ui::Icon::warning);
  } else {
    PrintCopies(window, job, file, name, fault_log, fault_length, device);
    std::fclose(file);
  }
  job.device.reset();
  if (!was_open) return;
  CreateLog(device, 0);
  if (!logfile[device]) ShowError(window, "Unable to reopen log file.", ui::Icon::error);
}
