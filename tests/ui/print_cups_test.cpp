// A report printed on a real print queue: a private cupsd on a socket in a
// temporary folder, one PDF printer whose device is a file; its pages against
// the same report's PDF file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "print_support.h"

namespace {

using print_test::Run;
using print_test::TempFolder;

constexpr char driver[] = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

// Runs command every 100 ms until done says so; false after seconds.
template <typename Done>
bool Poll(const std::string& command, Done done, int seconds) {
  for (int tries = 0; tries < seconds * 10; ++tries) {
    bool ok = false;
    const std::string out = Run(command, ok);
    if (done(out, ok)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

class PrivateCups {
 public:
  explicit PrivateCups(const TempFolder& folder) : dir_(folder.Path()) {}
  ~PrivateCups() {
    unsetenv("CUPS_SERVER");
    if (pid_ > 0 && kill(pid_, SIGTERM) == 0) waitpid(pid_, nullptr, 0);
  }

  // Starts cupsd and adds the queue "corvane-test"; false with the reason.
  bool Start(std::string& error) {
    chmod(dir_.c_str(), 0755);  // filters run as another user and read the spool
    for (const char* sub : {"/spool", "/cache", "/state"})
      std::filesystem::create_directory(dir_ + sub);
    std::ofstream(dir_ + "/cupsd.conf")
        << "Listen " << dir_ << "/cups.sock\nLogLevel info\n"
        << "Browsing No\nWebInterface No\nDefaultAuthType None\n"
        << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    std::ofstream files(dir_ + "/cups-files.conf");
    files << "ServerRoot " << dir_ << "\nFileDevice Yes\n";
    for (const char* setting :
         {"RequestRoot spool", "TempDir spool", "CacheDir cache", "StateDir state",
          "ErrorLog error_log", "AccessLog access_log", "PageLog page_log", "Printcap printcap"}) {
      const std::string_view words(setting);
      const std::size_t blank = words.find(' ');
      files << words.substr(0, blank) << ' ' << dir_ << '/' << words.substr(blank + 1) << '\n';
    }
    files.close();
    const std::string log = dir_ + "/cupsd.out", conf = dir_ + "/cupsd.conf",
                      files_conf = dir_ + "/cups-files.conf";  // no allocation after fork
    pid_ = fork();
    if (pid_ == 0) {
      if (!freopen(log.c_str(), "w", stderr)) _exit(126);
      execlp("cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files_conf.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("CUPS_SERVER", (dir_ + "/cups.sock").c_str(), 1);
    const auto running = [](const std::string& out, bool) {
      return out == "scheduler is running\n";
    };
    if (!Poll("lpstat -r", running, 10)) return Fail("cupsd did not answer", error);
    bool ok = false;
    const std::string said = Run("lpadmin -p corvane-test -E -v file://" + Output() + " -P " +
                                     driver + " -o PageSize=A4 2>&1",
                                 ok);
    return ok || Fail("lpadmin could not add the queue: " + said, error);
  }

  std::string Output() const { return dir_ + "/job.pdf"; }

  bool WaitForJobs() const {
    const auto idle = [this](const std::string& out, bool ok) {
      return ok && out.empty() && std::filesystem::exists(Output());
    };
    return Poll("lpstat -o corvane-test", idle, 60);
  }

  std::string Log() const {
    bool ok = false;
    return Run("tail -n 20 " + dir_ + "/error_log " + dir_ + "/cupsd.out", ok);
  }

 private:
  bool Fail(const std::string& what, std::string& error) const {
    error = what + ":\n" + Log();
    return false;
  }

  std::string dir_;
  pid_t pid_ = -1;
};

TEST(PrintCups, PrinterPagesMatchThePdfPages) {
  for (const char* program : {"cupsd", "lpadmin", "lpstat", "pdftotext"})
    if (!print_test::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
  if (!std::filesystem::exists(driver))
    GTEST_SKIP() << driver << " (cups-filters) is not installed";
  TempFolder folder;
  PrivateCups cups(folder);
  std::string error;
  ASSERT_TRUE(cups.Start(error)) << error;

  // Two copies of a two-page report, to the queue and to a file; the copies
  // are the report's own, so a driver must not multiply them.
  const print_test::Pages report = {{"Amplifier Status Log (corvane.log)",
                                     "12/08/26 10:00  Beam 1234.5\tHeater 99.0", "End of Log"},
                                    {"Amplifer Fault Log for: Part #1234, Serial #5678",
                                     "FAULT 01 \xB0"
                                     "C"}};
  const std::string direct = folder / "direct.pdf";
  double pitch = 0;  // the letters' advance in points: the text grid of both
  ui::ScriptedOperator scripted;
  for (const bool to_printer : {true, false}) {
    ui::PrintDialogAnswer answer;
    answer.copies = 2;
    (to_printer ? answer.printer : answer.pdf_path) = to_printer ? "corvane-test" : direct;
    scripted.AnswerPrintDialog(answer);
    ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
    ASSERT_TRUE(job.device) << (scripted.Boxes().empty() ? "" : scripted.Boxes().back().text);
    ASSERT_EQ(job.copies, 2);
    pitch = job.device->LetterWidth() * 72.0 / 600;
    print_test::Pages pages = report;
    pages.insert(pages.end(), report.begin(), report.end());
    ASSERT_TRUE(print_test::DrawReport(*job.device, "corvane.log", pages, error)) << error;
  }
  ASSERT_TRUE(cups.WaitForJobs()) << cups.Log();

  EXPECT_EQ(print_test::PdfInfo(cups.Output(), "Pages"), "4");
  EXPECT_EQ(print_test::PdfInfo(cups.Output(), "Title"), "corvane.log");
  const print_test::Pages printed = print_test::LayoutPages(cups.Output(), pitch);
  const print_test::Pages expected = print_test::LayoutPages(direct, pitch);
  ASSERT_EQ(expected.size(), 4u);
  EXPECT_EQ(printed, expected);
}

}  // namespace
