// The report is UTF-8 with a byte-order mark; its lines are built as wide text.
#pragma once

#include <ostream>
#include <string_view>

// Writes `text` to the report stream (opened in binary mode) as UTF-8.
void writeReport(std::ostream& report, std::wstring_view text);
