// The words every front end uses for a jump, a sound or a video: the console and the
// log, the report, and the findings of SARIF, workflow annotations and the editor.
// All UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "outputs/run_record.h"

// What is wrong with `load`: "ジャンプ先のスクリプトがありません",
// "ジャンプ先のラベルがありません", "ラベルは * で始めます",
// "音声ファイルが見つかりません", "動画ファイルが見つかりません", or for a jump no run
// can check "固定ボタンのジャンプ先はクリック時のスクリプトで決まります"; "" for one the
// game finds.
std::string_view loadMessageHead(const LoadResult& load);

// What the message names: the script ("title.ks"), the script and the label
// ("first.ks *start", also within its own script), the label alone for a target
// without "*" ("start") and for a jump no run can check ("*x"), the file as written.
std::string loadSubject(const LoadResult& load);

// "<head>: <subject>": a finding's message; for a load from a folder the project
// lacks, "<folder> フォルダがありません: <subject>".
std::string loadMessage(const LoadResult& load);

// The did-you-mean lines' words: "似た名前のラベルがあります" for labels, else
// "似た名前のファイルがあります".
std::string_view loadSuggestionHead(const LoadResult& load);

// The report line of a broken load ("■a.ks (行 12): ジャンプ先 first.ks *start ->
// 存在しません\n"), made with the script's name as the report shows it; "" for a load
// that is not broken, and for one whose folder is missing (one line says so for all).
std::string loadReportLine(const LoadResult& load, std::string_view utf8Script);

// "bgm フォルダがありません: 219 件の音声を確認できません" ("... 件の動画を ..." for
// videos).
std::string missingFolderMessage(std::string_view folder, int count, LoadResultKind kind);

// "同じ名前のラベルがあります: *start (最初は 行 12)": a finding's message.
std::string duplicateLabelMessage(const DuplicateLabel& label);

// "*start, 最初は 行 12": what the console's line names.
std::string duplicateLabelSubject(const DuplicateLabel& label);

// "同じ名前のラベルがあります"
inline constexpr std::string_view kDuplicateLabelHead = "同じ名前のラベルがあります";
