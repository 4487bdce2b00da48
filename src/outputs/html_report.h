// The page of --html: one self-contained HTML5 file in Japanese that shows every
// referenced image as a thumbnail, so that an author sees whether "room.jpg" is the
// picture the script meant, not only that a file of that name exists. It loads
// nothing but the project's own images, and runs no script: a filter of plain CSS
// switches between everything and the findings only.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "outputs/run_record.h"

// Writes the page for `results` to `page` (a binary stream; UTF-8). `rootUrl` leads
// from the page's folder to the run's root (see urlFromPageToRoot in
// outputs/html_text.h); every image and the report are linked through it.
void writeHtmlReport(const RunResults& results, std::string_view rootUrl,
                     std::ostream& page);

// Writes the page to `wFile`, a relative name being relative to the current folder
// (the run's root), and makes its folder when that is missing. Returns false after
// "[ERROR] HTML レポートを書き込めませんでした: FILE" on the console's error
// stream and in `errLog` (CP932).
bool writeHtmlReportFile(const std::wstring& wFile, const RunResults& results,
                         std::ostream& errLog);
