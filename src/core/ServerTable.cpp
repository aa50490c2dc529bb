#include "core/ServerTable.h"

#include <algorithm>
#include <array>

#include "core/ColourCodes.h"
#include "core/ServerColumns.h"
#include "core/Text.h"
#include "core/TextEncoding.h"

namespace vyk {
namespace {

using Cells = std::array<std::string, kServerColumnCount>;

}  // namespace

std::string FormatServerTable(const ServerList& servers, const std::vector<int>& rows) {
  std::vector<Cells> lines;
  lines.reserve(rows.size() + 1);
  Cells titles;
  for (int c = 0; c < kServerColumnCount; ++c) titles[c] = ServerColumnTitle(c);
  lines.push_back(titles);
  for (int index : rows) {
    const ServerInfo& record = servers.At(index);
    Cells cells;
    for (int c = 0; c < kServerColumnCount; ++c) {
      std::string text = ServerCellText(record, c);
      if (c == 0) text = StripColourCodes(text);
      // Blanks around a cell are layout, not content (the favourite mark is " *").
      cells[c] = Trim(text, kSpaces);
    }
    lines.push_back(std::move(cells));
  }

  // Widths in characters: one Latin-1 byte is one character on the terminal.
  std::array<std::size_t, kServerColumnCount> widths{};
  for (const Cells& cells : lines)
    for (int c = 0; c < kServerColumnCount; ++c) widths[c] = std::max(widths[c], cells[c].size());

  std::string out;
  for (const Cells& cells : lines) {
    std::string line;
    for (int c = 0; c < kServerColumnCount; ++c) {
      if (c > 0) line += "  ";
      line += PrintableText(cells[c]);
      if (c + 1 < kServerColumnCount) line.append(widths[c] - cells[c].size(), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace vyk
