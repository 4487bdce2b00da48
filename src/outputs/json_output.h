// The run as one JSON document for scripts in a CI pipeline (--json). README.md
// describes its fields.
#pragma once

#include <string>

#include "outputs/run_record.h"

// The whole document, UTF-8 without a byte-order mark, ending with a line feed.
std::string jsonDocument(const RunResults& results);
