// Small pieces of the protocol's JSON that several features build.
#pragma once

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

// {"line": L, "character": C}.
nlohmann::json positionJson(std::size_t line, std::size_t character);

// A Range on one line, in UTF-16 columns.
nlohmann::json rangeJson(std::size_t line, std::size_t startColumn,
                         std::size_t endColumn);

// The Range of bytes [begin, end) of `utf8Line`, line `line` of a document.
nlohmann::json lineRangeJson(std::size_t line, std::string_view utf8Line,
                             std::size_t begin, std::size_t end);

// The file: URI of `relative` ("/"-separated UTF-8) below `root`.
std::string fileUriBelow(const std::filesystem::path& root,
                         std::string_view utf8Relative);

// A Location at the start of the file `relative` below `root`.
nlohmann::json fileLocationJson(const std::filesystem::path& root,
                                std::string_view utf8Relative);

// `text` in a Markdown code span ("` text `"), whatever backticks it holds.
std::string codeSpan(std::string_view text);

// A notification: {"jsonrpc": "2.0", "method": ..., "params": ...}.
nlohmann::json notificationJson(std::string_view method, nlohmann::json params);

// A request of the server's to the client.
nlohmann::json requestJson(int id, std::string_view method, nlohmann::json params);
