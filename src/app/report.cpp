#include "app/report.h"

#include "text/utf8.h"

void writeReport(std::ostream& report, std::wstring_view text) {
  report << encodeUtf8Lenient(text);
}
