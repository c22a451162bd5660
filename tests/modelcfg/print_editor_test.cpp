// The editor's Print button: the fetched file under its path after Get All,
// the editor's lines under its title after a pick; a file that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor_support.h"
#include "modelcfg/pdf_pages.h"
#include "support/sim_process.h"

namespace {

using Lines = std::vector<std::string>;

class PrintFromEditor : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  }
  Lines Print(const std::string& name) {
    const std::string pdf = (folder / name).string();
    ui::PrintDialogAnswer answer;
    answer.pdf_path = pdf;
    op.AnswerPrintDialog(answer);
    Paint();
    Click(print_button.r);
    const auto pages = PdfPages(pdf);
    return pages.empty() ? Lines{} : pages[0];
  }
};

TEST_F(PrintFromEditor, TheFetchedFileUnderItsPathThenTheLinesUnderTheTitle) {
  std::ofstream(folder / "device.cfg", std::ios::binary)
      << "FROM_DEVICE *ON,OFF\r\nNOTE\tplain \xE9t\xE9\r\n";
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--model-cfg", (folder / "device.cfg").string()}, &error))
      << error;
  ResetLinkSettings();
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1);
  Click(getall_button.r);
  CloseSerial();
  ASSERT_EQ(total_cfg_lines, 2);
  EXPECT_EQ(Print("fetched.pdf"),
            (Lines{transfer_filepath, "FROM_DEVICE *ON,OFF", "NOTE plain \xC3\xA9t\xC3\xA9"}));

  const ui::Rect off = configuration_line[0].option_rect[1];
  Click(off);
  EXPECT_EQ(Print("picked.pdf"),
            (Lines{"Model.cfg", "FROM_DEVICE ON / *OFF", "NOTE plain \xC3\xA9t\xC3\xA9"}));
  EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(PrintFromEditor, AFetchedFileThatCannotBeReadIsToldAndNothingPrinted) {
  std::snprintf(transfer_filepath, sizeof transfer_filepath, "%s", folder.c_str());
  getall_button.face_color = cfg_text_colour;
  sendall_button.face_color = cfg_text_colour;
  const Lines printed = Print("none.pdf");
  EXPECT_TRUE(printed.empty());
  EXPECT_FALSE(std::filesystem::exists(folder / "none.pdf"));
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't open " + folder.string());
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
}

}  // namespace
