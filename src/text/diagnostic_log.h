// The diagnostic log of a run: CP932 text appended to the temporary log file, which
// becomes the final UTF-8 log (convertLogToUtf8) when the run ends. With
// `convertAlongTheWay`, a second thread writes the temporary file and converts what
// it receives as the run goes, so that the end of a run has nothing left to convert;
// both files come out byte for byte as the conversion at the end makes them, and
// whenever that cannot be promised (a file that cannot be opened or written, or a
// disk with less than a gigabyte to spare, where the final log written early could
// take the room the temporary log and the report need) the conversion at the end
// runs as it always did.
#pragma once

#include <memory>
#include <ostream>
#include <string>

struct DiagnosticLog;
struct DiagnosticLogCloser {
  // Closes the log first if the run did not (see closeDiagnosticLog).
  void operator()(DiagnosticLog* log) const;
};
using DiagnosticLogHandle = std::unique_ptr<DiagnosticLog, DiagnosticLogCloser>;

// Opens `tempLogPath` (CP932 text) for appending in text mode; null when it cannot
// be opened.
DiagnosticLogHandle openDiagnosticLog(const std::string& tempLogPath,
                                      const std::string& finalLogPath,
                                      bool convertAlongTheWay);

// The stream the run writes its CP932 log lines to. It stays valid, but closed,
// after closeDiagnosticLog.
std::ostream& logStream(DiagnosticLog& log);

// Closes the stream and completes the final log, removing the temporary one; on a
// failure the temporary log stays for the next run, as convertLogToUtf8 says. Never
// throws.
void closeDiagnosticLog(DiagnosticLog& log);
