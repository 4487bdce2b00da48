#include "lsp/script_file.h"

#include <fstream>

std::optional<ScriptFile> readScriptFile(const std::filesystem::path& path,
                                         ScriptEncodingChoice choice) {
  std::ifstream in(path, std::ios::in | std::ios::binary);
  if (!in) return std::nullopt;
  ScriptFile file;
  ScriptReader reader;
  reader.choice = choice;
  file.byteOrderMark = startScript(reader, in);
  ScriptLine line;
  while (readScriptLine(reader, line)) {
    file.utf8Text += line.utf8;
    file.utf8Text += '\n';
    file.replacedInvalid = file.replacedInvalid || line.replacedInvalid;
  }
  file.encoding = reader.encoding;
  file.doubtsShiftJis = doubtsShiftJis(reader);
  return file;
}
