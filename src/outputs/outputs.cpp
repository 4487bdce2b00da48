#include "outputs/outputs.h"

#include "outputs/document_file.h"
#include "outputs/github_annotations.h"
#include "outputs/html_report.h"
#include "outputs/json_output.h"
#include "outputs/sarif_output.h"

bool writeRequestedOutputs(const Options& options, const RunResults& results,
                           std::ostream& errLog) {
  bool written = true;
  // Machine-readable results for CI: JSON ("-": standard output, which the run then
  // keeps free of console lines), SARIF, workflow annotations after the closing line.
  if (options.jsonFile) {
    const std::string document = jsonDocument(results);
    const bool ok = *options.jsonFile == L"-"
                        ? writeDocumentToStandardOutput(document, errLog)
                        : writeDocumentFile(*options.jsonFile, document, errLog);
    if (!ok) written = false;
  }
  if (options.sarifFile &&
      !writeDocumentFile(*options.sarifFile, sarifDocument(results), errLog)) {
    written = false;
  }
  if (options.github &&
      !writeDocumentToStandardOutput(githubAnnotations(results), errLog)) {
    written = false;
  }
  // The page to look at the pictures with.
  if (options.htmlFile && !writeHtmlReportFile(*options.htmlFile, results, errLog)) {
    written = false;
  }
  return written;
}
