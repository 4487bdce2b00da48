#include "outputs/outputs.h"

#include "outputs/document_file.h"
#include "outputs/github_annotations.h"
#include "outputs/html_report.h"
#include "outputs/json_output.h"
#include "outputs/sarif_output.h"

bool writeRequestedOutputs(const OutputRequests& requests, const RunResults& results,
                           std::ostream& errLog) {
  bool written = true;
  // Machine-readable results for CI: JSON ("-": standard output, which the run then
  // keeps free of console lines), SARIF, workflow annotations after the closing line.
  if (requests.jsonFile) {
    const std::string document = jsonDocument(results);
    const bool ok = *requests.jsonFile == L"-"
                        ? writeDocumentToStandardOutput(document, errLog)
                        : writeDocumentFile(*requests.jsonFile, document, errLog);
    if (!ok) written = false;
  }
  if (requests.sarifFile &&
      !writeDocumentFile(*requests.sarifFile, sarifDocument(results), errLog)) {
    written = false;
  }
  if (requests.github &&
      !writeDocumentToStandardOutput(githubAnnotations(results), errLog)) {
    written = false;
  }
  // The page to look at the pictures with.
  if (requests.htmlFile && !writeHtmlReportFile(*requests.htmlFile, results, errLog)) {
    written = false;
  }
  return written;
}
