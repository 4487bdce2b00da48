#include "lsp/protocol_json.h"

#include <algorithm>

#include "lsp/text_positions.h"
#include "outputs/url_path.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

nlohmann::json positionJson(std::size_t line, std::size_t character) {
  return {{"line", line}, {"character", character}};
}

nlohmann::json rangeJson(std::size_t line, std::size_t startColumn,
                         std::size_t endColumn) {
  return {{"start", positionJson(line, startColumn)},
          {"end", positionJson(line, endColumn)}};
}

nlohmann::json lineRangeJson(std::size_t line, std::string_view utf8Line,
                             std::size_t begin, std::size_t end) {
  Utf16Columns columns(utf8Line);
  const std::size_t startColumn = columns.columnAt(begin);
  return rangeJson(line, startColumn, columns.columnAt(end));
}

std::string fileUriBelow(const fs::path& root, std::string_view utf8Relative) {
  std::string path = utf8FromPath(root);
  if (!path.ends_with('/') &&
      !path.ends_with(static_cast<char>(fs::path::preferred_separator))) {
    path += '/';
  }
  path += utf8Relative;
  return fileUri(path);
}

nlohmann::json fileLocationJson(const fs::path& root, std::string_view utf8Relative) {
  const nlohmann::json start = positionJson(0, 0);
  return {{"uri", fileUriBelow(root, utf8Relative)},
          {"range", {{"start", start}, {"end", start}}}};
}

std::string codeSpan(std::string_view text) {
  std::size_t longest = 0;
  for (std::size_t run = 0, i = 0; i < text.size(); ++i) {
    run = text[i] == '`' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  const std::string fence(longest + 1, '`');
  return fence + " " + std::string(text) + " " + fence;
}

nlohmann::json notificationJson(std::string_view method, nlohmann::json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

nlohmann::json requestJson(int id, std::string_view method, nlohmann::json params) {
  return {
      {"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
