// The device configuration report's section: the fetched file under its path,
// or the editor's lines under the editor's title, below a rule.
#include <string>
#include <string_view>

#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/print_page.h"
#include "modelcfg/received_file.h"
#include "modelcfg/wprint.h"
#include "records/program_state.h"

namespace {

// ReadFileLine holds at most this many bytes of a line at a time.
constexpr int file_piece_size = 510;
constexpr std::size_t longest_title = 999;

void Head(ReportPage& page, std::string_view header) {
  page.Put(PrintableText(header, false));
  page.Rule();
  page.Skip(1);
}

}  // namespace

bool PrintModelCfgFile(ui::PrintDevice& hdc, std::FILE* file) {
  ReportPage page(hdc);
  if (!page.Begin(false)) return false;
  Head(page, transfer_filepath);
  char piece[file_piece_size];
  int count = 0;
  bool continued = false;  // the last piece ended inside a line
  while (!page.Failed()) {
    const bool ended = ReadFileLine(file, piece, file_piece_size, &count);
    if (count == 0) break;
    std::string_view text(piece, static_cast<std::size_t>(count));
    text = text.substr(0, text.find('\n'));
    text = text.substr(0, text.find('\r'));
    // A line end that came on its own after a long line ends that line.
    if (!(continued && text.empty() && ended)) page.Line(PrintableText(text, true), true);
    continued = !ended;
  }
  return page.End();
}

bool PrintModelCfgData(ui::PrintDevice& hdc) {
  ReportPage page(hdc);
  if (!page.Begin(false)) return false;
  Head(page, std::string_view(ModelCfgTitle()).substr(0, longest_title));
  char line[1024];
  for (int n = 0; n < total_cfg_lines && !page.Failed(); ++n) {
    FormatModelCfgLine(line, n, 1);
    page.Line(PrintableText(line, true), true);
  }
  return page.End();
}
