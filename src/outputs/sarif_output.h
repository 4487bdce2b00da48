// The run as a SARIF 2.1.0 log with one run, for code-scanning pages (--sarif).
#pragma once

#include <string>

#include "outputs/run_record.h"

// The whole log, UTF-8 without a byte-order mark, ending with a line feed. Locations
// are relative URIs from the project's root ("scenario/a.ks") with the base id
// "%SRCROOT%", which the log maps to the root's file URI.
std::string sarifDocument(const RunResults& results);
