#include "checks/load_words.h"

std::string_view loadMessageHead(const LoadResult& load) {
  if (load.status == LoadStatus::found) return {};
  if (load.status == LoadStatus::unchecked) {
    return "固定ボタンのジャンプ先はクリック時のスクリプトで決まります";
  }
  switch (load.kind) {
    case LoadResultKind::script:
      return "ジャンプ先のスクリプトがありません";
    case LoadResultKind::label:
      return load.withoutStar ? "ラベルは * で始めます"
                              : "ジャンプ先のラベルがありません";
    case LoadResultKind::sound:
      return "音声ファイルが見つかりません";
    case LoadResultKind::video:
      return "動画ファイルが見つかりません";
  }
  return {};
}

std::string loadSubject(const LoadResult& load) {
  if (load.kind != LoadResultKind::label) return load.storage;
  if (load.withoutStar || load.status == LoadStatus::unchecked) return load.label;
  return load.storage + " " + load.label;
}

std::string loadMessage(const LoadResult& load) {
  if (load.folderMissing)
    return load.folder + " フォルダがありません: " + loadSubject(load);
  return std::string(loadMessageHead(load)) + ": " + loadSubject(load);
}

std::string_view loadSuggestionHead(const LoadResult& load) {
  return load.kind == LoadResultKind::label ? "似た名前のラベルがあります"
                                            : "似た名前のファイルがあります";
}

std::string loadReportLine(const LoadResult& load, std::string_view utf8Script) {
  if (load.status != LoadStatus::missing || load.folderMissing) return {};
  std::string line = "■";
  line += utf8Script;
  line += " (行 ";
  line += std::to_string(load.line);
  line += "): ";
  switch (load.kind) {
    case LoadResultKind::script:
    case LoadResultKind::label:
      line += "ジャンプ先 ";
      line += load.storage;
      if (!load.label.empty()) line += " " + load.label;
      line += load.withoutStar ? " -> * で始まっていません\n" : " -> 存在しません\n";
      return line;
    case LoadResultKind::sound:
      line += "音声 ";
      break;
    case LoadResultKind::video:
      line += "動画 ";
      break;
  }
  line += load.storage;
  line += " -> 存在しません\n";
  return line;
}

std::string missingFolderMessage(std::string_view folder, int count,
                                 LoadResultKind kind) {
  return std::string(folder) + " フォルダがありません: " + std::to_string(count) +
         (kind == LoadResultKind::video ? " 件の動画を確認できません"
                                        : " 件の音声を確認できません");
}

std::string duplicateLabelMessage(const DuplicateLabel& label) {
  return std::string(kDuplicateLabelHead) + ": " + label.label + " (最初は 行 " +
         std::to_string(label.firstLine) + ")";
}

std::string duplicateLabelSubject(const DuplicateLabel& label) {
  return label.label + ", 最初は 行 " + std::to_string(label.firstLine);
}
