// The run as a SARIF 2.1.0 log with one run, for code-scanning pages (--sarif).
#pragma once

#include <string>

#include "outputs/run_record.h"

// The whole log, UTF-8 without a byte-order mark, ending with a line feed. Locations
// are relative URIs with the base id "%SRCROOT%", which the log maps to a file URI:
// from the start folder when the root lies below it ("play/data/scenario/a.ks"),
// else from the root ("scenario/a.ks"); see Finding::file.
std::string sarifDocument(const RunResults& results);
