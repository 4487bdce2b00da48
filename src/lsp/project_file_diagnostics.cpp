#include "lsp/project_file_diagnostics.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "lsp/protocol_json.h"
#include "lsp/text_positions.h"
#include "text/utf8.h"

using nlohmann::json;

namespace {

// The protocol's DiagnosticSeverity.Error.
constexpr int kError = 1;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The byte offset of character `column` (from 1, counted in code points) of
// `utf8Line`; the line's end for a column past it.
std::size_t byteOfCharacter(std::string_view utf8Line, int column) {
  std::size_t at = 0;
  for (int character = 1; character < column && at < utf8Line.size(); ++character) {
    at += decodeAnyUtf8At(utf8Line, at).length;
  }
  return at;
}

// Where the TOML word at `at` ends: a quoted string at its closing quote, a table's
// name at its "]", anything else at a blank, "=", ",", "]" or "}".
std::size_t wordEnd(std::string_view utf8Line, std::size_t at) {
  if (at >= utf8Line.size()) return at;
  const char first = utf8Line[at];
  if (first == '"' || first == '\'') {
    const std::size_t close = utf8Line.find(first, at + 1);
    return close == std::string_view::npos ? utf8Line.size() : close + 1;
  }
  if (first == '[') {
    const std::size_t close = utf8Line.find(']', at);
    if (close != std::string_view::npos) return close + 1;
  }
  const std::size_t end = utf8Line.find_first_of(" \t=,]}#", at + 1);
  return end == std::string_view::npos ? utf8Line.size() : end;
}

}  // namespace

json projectFileDiagnosticsJson(const ProjectFileState& file) {
  json diagnostics = json::array();
  // Editors show the file without its mark, and the reading counts columns so.
  std::string_view utf8Text = file.utf8Text;
  if (utf8Text.starts_with(kByteOrderMark)) utf8Text.remove_prefix(kByteOrderMark.size());
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  for (const ProjectFileError& error : file.errors) {
    json range = rangeJson(0, 0, 0);
    if (error.line > 0) {
      // A mistake past the last line (a file that ends too soon) is at its end.
      const auto line =
          std::min(static_cast<std::size_t>(error.line - 1), starts.size() - 1);
      const std::string_view utf8Line = lineText(utf8Text, starts, line);
      const std::size_t begin = line + 1 < static_cast<std::size_t>(error.line)
                                    ? utf8Line.size()
                                    : byteOfCharacter(utf8Line, error.column);
      range = lineRangeJson(line, utf8Line, begin, wordEnd(utf8Line, begin));
    }
    diagnostics.push_back({{"range", std::move(range)},
                           {"severity", kError},
                           {"code", "project-file"},
                           {"source", "ks-image-check"},
                           {"message", error.text}});
  }
  return diagnostics;
}

std::string keptSettingsMessage(const ProjectState& project) {
  const std::string name(kProjectFileName);
  if (project.layout.project.utf8Path.empty()) {
    return name + " に誤りがあります。直るまで設定ファイルなしで確認します";
  }
  return name + " に誤りがあります。直るまで前に読めた設定で確認します";
}
