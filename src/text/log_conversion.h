// The diagnostic log is written as CP932 to a temporary file during the run and
// converted to UTF-8 with a byte-order mark at its end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

// Converts the whole of `tempLogPath` (zero bytes included, in bounded memory) into
// `finalLogPath` (EF BB BF, then UTF-8; line ends unchanged) and removes the
// temporary file only once the final one is written and closed without error.
// Never throws: a failure is written to `errLog` and to the console's error stream,
// and the temporary file stays for the next run to continue.
void convertLogToUtf8(const std::string& tempLogPath, const std::string& finalLogPath,
                      std::ostream& errLog);

// The final log while it is written, piece by piece, as convertLogToUtf8 writes it.
struct FinalLog {
  std::filesystem::path path;
  std::ofstream file;
  bool overwriting = false;  // an earlier final log is written over
  std::uintmax_t written = 0;
  std::string carried;  // a lead byte waiting for the next piece
  std::string converted;
};

// Opens `finalLog.path` and writes the byte-order mark; false when it cannot be
// opened.
bool startFinalLog(FinalLog& finalLog);

// Appends the UTF-8 form of the CP932 `piece`: the pieces of a text convert as the
// whole text does (a lead byte at the end of a piece waits for the next, unless
// `atEnd`).
void appendToFinalLog(FinalLog& finalLog, std::string_view piece, bool atEnd);

// Closes the final log and cuts it to nothing, giving back the room it took; a
// conversion at the end writes it again.
void abandonFinalLog(FinalLog& finalLog);

// Closes the final log, cuts an earlier, longer one to length, and removes
// `tempLogPath`, then logs that to `errLog`. Never throws: a failure (a write that
// failed included) is reported as convertLogToUtf8 reports it, and the temporary
// log stays.
void completeFinalLog(FinalLog& finalLog, const std::string& tempLogPath,
                      const std::string& finalLogPath, std::ostream& errLog);
