#include "outputs/outputs.h"

#include <vector>

#include "outputs/document_file.h"
#include "outputs/github_annotations.h"
#include "outputs/html_report.h"
#include "outputs/json_output.h"
#include "outputs/sarif_output.h"

namespace {

enum class FileDocument { json, sarif, html };

// The documents `requests` sends to files, in the order they are written.
std::vector<FileDocument> fileDocuments(const OutputRequests& requests) {
  std::vector<FileDocument> documents;
  if (requests.jsonFile && *requests.jsonFile != L"-") {
    documents.push_back(FileDocument::json);
  }
  if (requests.sarifFile) documents.push_back(FileDocument::sarif);
  if (requests.htmlFile) documents.push_back(FileDocument::html);
  return documents;
}

bool writeFileDocument(FileDocument document, const OutputRequests& requests,
                       const RunResults& results, std::ostream& errLog) {
  switch (document) {
    case FileDocument::json:
      return writeDocumentFile(*requests.jsonFile, jsonDocument(results), errLog);
    case FileDocument::sarif:
      return writeDocumentFile(*requests.sarifFile, sarifDocument(results), errLog);
    case FileDocument::html:
      return writeHtmlReportFile(*requests.htmlFile, results, errLog);
  }
  return false;
}

}  // namespace

bool writeRequestedOutputs(const OutputRequests& requests, RunResults& results,
                           std::ostream& errLog) {
  // Files go first: one that fails changes the exit code before anything reaches
  // standard output, which cannot be taken back. The files already written say
  // the old code, so they are written again.
  std::vector<FileDocument> written;
  bool allWritten = true;
  for (const FileDocument document : fileDocuments(requests)) {
    if (writeFileDocument(document, requests, results, errLog)) {
      written.push_back(document);
    } else {
      allWritten = false;
    }
  }
  const auto fail = [&] {
    allWritten = false;
    if (results.exitCode == 1) return;
    results.exitCode = 1;
    for (const FileDocument document : written) {
      writeFileDocument(document, requests, results, errLog);
    }
  };
  if (!allWritten) fail();
  // Standard output: the JSON document ("-", which the run then keeps free of
  // console lines), or workflow annotations after the closing line.
  if (requests.jsonFile == L"-" &&
      !writeDocumentToStandardOutput(jsonDocument(results), errLog)) {
    fail();
  }
  if (requests.github &&
      !writeDocumentToStandardOutput(githubAnnotations(results), errLog)) {
    fail();
  }
  return allWritten;
}
