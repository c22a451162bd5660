// A year of status logging at the default 15-minute interval (35,040 value
// lines) and a full fault log printed into a PDF, as "Print Log" prints them.
// Prints the wall time, the PDF's size and the resident memory the print added,
// and fails when it takes 10 s or more or grows the resident set by 100 MB or more.
//
//   print_bench [--lines N]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/wlog.h"
#include "config/program_directory.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "ui/printing.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

constexpr int year_of_lines = 365 * 24 * 4;
constexpr double time_limit_s = 10;
constexpr long growth_limit_kb = 100 * 1024;

// A field of /proc/self/status in kB.
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length + 1);
  return -1;
}

void WriteLog(const std::string& path, int lines) {
  std::ofstream log(path, std::ios::binary);
  log << std::string(70, '-') << "\r\n"
      << "1 Jan 26, 00:00,  Part #305-4120-025, Serial #10042, Address 'A'\r\n"
      << "1 Jan 26, 00:00,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam "
         "Volts (kV)\r\n";
  char line[96];
  for (int n = 0; n < lines; ++n) {
    const int minutes = n * 15;
    std::snprintf(line, sizeof line, "%d Jan 26, %02d:%02d,  %4.1f, %4.1f, %4.1f, %4.1f\r\n",
                  1 + minutes / (24 * 60) % 28, minutes / 60 % 24, minutes % 60, 1.8 + n % 7 * 0.1,
                  43.2 + n % 5 * 0.1, 45.0 + n % 11 * 0.1, 10.5 + n % 3 * 0.1);
    log << line;
  }
}

}  // namespace

int main(int argc, char** argv) {
  int lines = year_of_lines;
  if (argc == 3 && std::strcmp(argv[1], "--lines") == 0) lines = std::atoi(argv[2]);
  ui::InitApplication(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("print_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  SetProgramDirectoryFromCurrent();
  CopyField(device_data['A'].part, "305-4120-025");
  CopyField(device_data['A'].serial, "10042");
  char name[log_name_size];
  LogFileName('A', name);
  WriteLog(name, lines);
  std::string fault_log;
  for (int n = 0; fault_log.size() < fault_log_size; ++n)
    fault_log += "001" + std::to_string(100 + n % 900) + " ARC DETECT    " + '\0';

  ui::ScriptedOperator op;
  ui::PrintDialogAnswer answer;
  answer.pdf_path = (folder / "year.pdf").string();
  op.AnswerPrintDialog(answer);
  const long rss_before = StatusKb("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak counts from here
  const auto start = std::chrono::steady_clock::now();
  ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
  std::FILE* file = std::fopen(name, "rb");
  bool printed = job.device && file && job.device->StartDocument(name) &&
                 PrintLogFile(*job.device, file, 'A') &&
                 PrintFaultLog(*job.device, fault_log.data(), fault_log_size, 'A') &&
                 job.device->EndDocument();
  if (file) std::fclose(file);
  job.device.reset();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long growth = StatusKb("VmHWM:") - rss_before;
  const auto pdf_size = std::filesystem::file_size(folder / "year.pdf");
  std::printf(
      "print_bench: %d log lines, %.2f s, resident set grew %ld kB at its peak, PDF %ju bytes\n",
      lines, seconds, growth, static_cast<std::uintmax_t>(pdf_size));
  std::filesystem::current_path(folder.parent_path());
  std::filesystem::remove_all(folder);
  if (!printed) {
    std::fprintf(stderr, "print_bench: printing failed\n");
    return 1;
  }
  if (seconds >= time_limit_s || growth >= growth_limit_kb) {
    std::fprintf(stderr, "print_bench: over %.0f s or %ld kB\n", time_limit_s, growth_limit_kb);
    return 1;
  }
  return 0;
}
