// The diagnostic log is written as CP932 to a temporary file during the run and
// converted to UTF-8 with a byte-order mark at its end.
#pragma once

#include <ostream>
#include <string>

// Converts the whole of `tempLogPath` (zero bytes included, in bounded memory) into
// `finalLogPath` (EF BB BF, then UTF-8; line ends unchanged) and removes the
// temporary file only once the final one is written and closed without error.
// Never throws: a failure is written to `errLog` and to the console's error stream,
// and the temporary file stays for the next run to continue.
void convertLogToUtf8(const std::string& tempLogPath, const std::string& finalLogPath,
                      std::ostream& errLog);
