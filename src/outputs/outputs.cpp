#include "outputs/outputs.h"

#include "outputs/html_report.h"

bool writeRequestedOutputs(const Options& options, const RunResults& results,
                           std::ostream& errLog) {
  bool written = true;
  if (options.htmlFile && !writeHtmlReportFile(*options.htmlFile, results, errLog)) {
    written = false;
  }
  return written;
}
