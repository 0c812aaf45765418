#pragma once

// CSV as the program writes it for spreadsheets (the question bank export, the results report):
// RFC 4180 cells, with text that a spreadsheet would run as a formula kept as text.

#include <string>
#include <string_view>

namespace tamberlin {

// True for a cell a spreadsheet would take for a formula or a command: one that starts with
// "=", "+", "-", "@", a tab or a line break (a reader may take CR LF in a cell as LF, so both
// count: what the writer guards, the reader unguards).
bool CsvLooksLikeFormula(std::string_view text);

// One cell: a formula-like text gets a leading apostrophe (a taker's name such as
// "=HYPERLINK(...)" stays text); then the cell is quoted, its quotes doubled, when it holds a
// comma, semicolon, quote or line break or starts or ends with a space or tab (so that readers
// that split on semicolons or trim cells keep it whole).
std::string CsvCell(std::string_view text);

// The text of a cell CsvCell wrote: the apostrophe in front of a formula-like text goes.
std::string_view CsvUnguarded(std::string_view cell);

} // namespace tamberlin
