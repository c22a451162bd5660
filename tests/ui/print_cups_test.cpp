// A report printed on a real print queue: a private cupsd on a domain socket
// with one PDF printer whose device is a file, against the same report in a
// PDF file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "print_support.h"
#include "ui/printing.h"
#include "ui/scripted_operator.h"

namespace {

using print_test::TempFolder;

constexpr char pdf_driver[] = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";
constexpr char queue[] = "corvane-test";

class PrivateCups {
 public:
  explicit PrivateCups(const TempFolder& folder) : folder_(folder) {}
  ~PrivateCups() {
    unsetenv("CUPS_SERVER");
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Starts cupsd on its own socket and adds the queue; false with the reason.
  bool Start(std::string& error) {
    const std::string root = folder_.Path();
    // Filters run as another user: they must reach the spool.
    chmod(root.c_str(), 0755);
    for (const char* sub : {"spool", "cache", "state", "log"})
      std::filesystem::create_directory(folder_ / sub);
    std::ofstream(folder_ / "cupsd.conf")
        << "Listen " << Socket() << "\nLogLevel info\nWebInterface No\nBrowsing No\n"
        << "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
        << "  Allow all\n</Location>\n";
    std::ofstream(folder_ / "cups-files.conf")
        << "ServerRoot " << root << "\nRequestRoot " << (folder_ / "spool") << "\nTempDir "
        << (folder_ / "spool") << "\nCacheDir " << (folder_ / "cache") << "\nStateDir "
        << (folder_ / "state") << "\nErrorLog " << (folder_ / "log/error_log") << "\nAccessLog "
        << (folder_ / "log/access_log") << "\nPageLog " << (folder_ / "log/page_log")
        << "\nPrintcap " << (folder_ / "printcap") << "\nFileDevice Yes\n";
    pid_ = fork();
    if (pid_ == 0) {
      const int log = open((folder_ / "log/cupsd.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(log, 1);
      dup2(log, 2);
      execlp("cupsd", "cupsd", "-f", "-c", (folder_ / "cupsd.conf").c_str(), "-s",
             (folder_ / "cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("CUPS_SERVER", Socket().c_str(), 1);
    bool ok = false, running = false;
    for (int tries = 0; tries < 100 && !running; ++tries) {
      running = print_test::Run("lpstat -r 2>&1", ok) == "scheduler is running\n";
      if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!running) return Failed("cupsd did not answer on " + Socket(), error);
    const std::string said =
        print_test::Run("lpadmin -p " + std::string(queue) + " -E -v file://" + Output() + " -P " +
                            pdf_driver + " -o PageSize=A4 2>&1",
                        ok);
    return ok || Failed("lpadmin could not add the queue: " + said, error);
  }

  std::string Output() const { return folder_ / "job.pdf"; }

  // Waits until the queue has finished every job; false after a minute.
  bool WaitForJobs() const {
    for (int tries = 0; tries < 600; ++tries) {
      bool ok = false;
      const std::string pending = print_test::Run("lpstat -o " + std::string(queue), ok);
      if (ok && pending.empty() && std::filesystem::exists(Output())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  std::string Log() const {
    bool ok = false;
    return print_test::Run(
        "tail -n 20 " + (folder_ / "log/error_log") + " " + (folder_ / "log/cupsd.out"), ok);
  }

 private:
  std::string Socket() const { return folder_ / "cups.sock"; }
  bool Failed(const std::string& what, std::string& error) const {
    error = what + ":\n" + Log();
    return false;
  }

  const TempFolder& folder_;
  pid_t pid_ = -1;
};

TEST(PrintCups, PrinterPagesMatchThePdfPages) {
  for (const char* program : {"cupsd", "lpadmin", "lpstat", "pdftotext"})
    if (!print_test::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  if (!std::filesystem::exists(pdf_driver))
    GTEST_SKIP() << pdf_driver << " (cups-filters) is not installed";
  TempFolder folder;
  PrivateCups cups(folder);
  std::string error;
  ASSERT_TRUE(cups.Start(error)) << error;

  // The same two copies of a two-page report, to the queue and to a file.
  const std::vector<std::vector<std::string>> report = {
      {"Amplifier Status Log (corvane.log)", "", "12/08/26 10:00  Beam 1234.5\tHeater 99.0",
       "End of Log"},
      {"Amplifer Fault Log for: Part #1234, Serial #5678", "",
       "FAULT 01 \xB0"
       "C",
       "End of Fault Log"}};
  std::vector<std::string> outputs;
  double pitch = 0;  // the letters' advance in points, the text grid of both
  ui::ScriptedOperator scripted;
  for (const bool to_printer : {true, false}) {
    ui::PrintDialogAnswer answer;
    answer.copies = 2;
    if (to_printer)
      answer.printer = queue;
    else
      answer.pdf_path = folder / "direct.pdf";
    scripted.AnswerPrintDialog(answer);
    ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
    ASSERT_TRUE(job.device) << (scripted.Boxes().empty() ? "" : scripted.Boxes().back().text);
    ASSERT_EQ(job.copies, 2);
    pitch = job.device->LetterWidth() * 72.0 / 600;
    std::vector<std::vector<std::string>> pages;
    for (int copy = 0; copy < job.copies; ++copy)
      pages.insert(pages.end(), report.begin(), report.end());
    ASSERT_TRUE(print_test::DrawReport(*job.device, "corvane.log", pages, error)) << error;
    outputs.push_back(to_printer ? cups.Output() : folder / "direct.pdf");
  }
  ASSERT_TRUE(cups.WaitForJobs()) << cups.Log();

  EXPECT_EQ(print_test::PdfInfo(outputs[0], "Pages"), "4")
      << "the driver printed no copies of its own";
  EXPECT_EQ(print_test::PdfInfo(outputs[0], "Title"), "corvane.log");
  const auto printed = print_test::LayoutPages(outputs[0], pitch);
  const auto direct = print_test::LayoutPages(outputs[1], pitch);
  ASSERT_EQ(direct.size(), 4u);
  ASSERT_EQ(printed.size(), direct.size());
  for (std::size_t page = 0; page < direct.size(); ++page)
    EXPECT_EQ(printed[page], direct[page]) << "page " << page + 1;
}

}  // namespace
