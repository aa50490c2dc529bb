#pragma once
// The server list as a plain text table: one line of column titles, then one
// line per row with the cells of the list view, aligned in columns.
#include <string>
#include <vector>

#include "core/ServerList.h"

namespace vyk {

// Rows are server indices in display order. Names lose their colour codes;
// every text is UTF-8 with control characters replaced. Lines end in "\n".
std::string FormatServerTable(const ServerList& servers, const std::vector<int>& rows);

}  // namespace vyk
