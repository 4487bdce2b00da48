// The outputs written from what a run met, at its end, each asked for by an option:
// one plain record of the run (outputs/run_record.h) feeds them all.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "outputs/run_record.h"

// Which outputs a run writes, as the command line names them.
struct OutputRequests {
  std::optional<std::wstring> jsonFile;   // "-" is standard output
  std::optional<std::wstring> sarifFile;  // relative to the current folder
  bool github = false;                    // workflow annotations on standard output
  std::optional<std::wstring> htmlFile;   // relative to the current folder
};

// Writes every output `requests` names. Also called when a run fails after its
// report was opened (results.completed false): the outputs then tell what was
// checked so far. When one cannot be written, the run fails: results.exitCode
// becomes 1, and every document written says so. Returns false then; the failure
// is on the console and in `errLog` (CP932).
bool writeRequestedOutputs(const OutputRequests& requests, RunResults& results,
                           std::ostream& errLog);
