// The findings as GitHub Actions workflow commands (--github): on a pull request each
// shows its message on the script line it is about.
#pragma once

#include <string>
#include <string_view>

#include "outputs/run_record.h"

// One line per finding, UTF-8: "::error file=scenario/a.ks,line=10::画像ファイルが
// 見つかりません: x.png" (the file as Finding::file locates it); warnings are
// "::warning", unused images "::notice".
// Empty when there is no finding.
std::string githubAnnotations(const RunResults& results);

// The escaping of the workflow command format: "%", CR and LF in a message;
// besides those, ":" and "," in a property value.
std::string escapeCommandData(std::string_view utf8);
std::string escapeCommandProperty(std::string_view utf8);
