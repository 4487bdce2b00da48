#include "app/init_project.h"

#include <toml++/toml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "checks/tag_census.h"
#include "images/image_index.h"
#include "project/project_scripts.h"
#include "project/run_layout.h"
#include "script/comment_lines.h"
#include "text/console.h"
#include "text/memory_input.h"
#include "text/path_text.h"
#include "text/script_reader.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// A TOML value as the file writes it.
template <class Value>
std::string tomlText(Value value) {
  std::ostringstream out;
  out << value;
  return out.str();
}

std::string quoted(const std::string& text) {
  return tomlText(toml::value<std::string>(text));
}

std::string quotedList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    out += quoted(items[i]);
  }
  return out + "]";
}

// A key as TOML takes it: bare when it can be, else quoted.
std::string keyText(const std::string& key) {
  const bool bare = !key.empty() && key.find_first_not_of(
                                        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                                        "vwxyz0123456789_-") == std::string::npos;
  return bare ? key : quoted(key);
}

// The census of every script below the root, read as a run reads them.
TagCensus countTags(const ProjectScripts& scripts, const RunLayout& layout) {
  TagCensus census;
  census.ignoresCase = layout.ignoresCase;
  census.skipsImageNames = layout.layout == Layout::plain;
  const ReadingRules rules(layout.tags, &scripts.macros);
  ScriptReader reader;
  ScriptLine line;
  LineTags tags;
  for (const ProjectScript& script : scripts.scripts) {
    std::ifstream file(script.path, std::ios::in | std::ios::binary);
    if (!file) continue;
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    MemoryInput input(bytes);
    startScript(reader, input);
    CommentState comments;
    while (readScriptLine(reader, line)) {
      if (isCommentLine(line.utf8, comments) || !mayHoldTag(line.utf8)) continue;
      readLineTags(line.utf8, tags);
      countUnknownTags(census, tags, rules);
    }
  }
  return census;
}

bool onSearchPath(const RunLayout& layout, const std::string& utf8Folder) {
  for (const std::string& folder : layout.search.searchPath) {
    if (withForwardSlashes(folder) == utf8Folder) return true;
  }
  return false;
}

std::string fileText(const RunLayout& layout, const std::vector<UnknownTagHint>& hints) {
  std::string text =
      "# ks-image-check のプロジェクトファイル (ks-image-check --init で作成)。\n"
      "# キーの意味は README の「The project file」をご覧ください。\n";
  text += "layout = " + quoted(std::string(layoutName(layout.layout))) + "\n";
  if (layout.layout == Layout::desktop) {
    std::vector<std::string> offPath;
    for (const UnknownTagHint& hint : hints) {
      for (const std::string& folder : hint.folders) {
        if (!onSearchPath(layout, folder) &&
            std::find(offPath.begin(), offPath.end(), folder) == offPath.end()) {
          offPath.push_back(folder);
        }
      }
    }
    if (!offPath.empty()) {
      text +=
          "# ゲームのコードが実行時に登録するフォルダ (見つかった画像のあるフォルダ)\n";
      text += "search_path = " + quotedList(offPath) + "\n";
    }
  }
  for (const UnknownTagHint& hint : hints) {
    text += "\n# 値 " + std::to_string(hint.values) + " 個のうち " +
            std::to_string(hint.imageValues) + " 個が画像ファイルを指していました\n";
    text += "[tags." + keyText(hint.tag) + "]\n";
    text += "attributes = " + quotedList(hint.attributes) + "\n";
    if (layout.layout != Layout::desktop && !hint.folders.empty()) {
      text += "folder = " + quoted(hint.folders.front()) + "\n";
    }
  }
  return text;
}

}  // namespace

int initProjectFile(const Options& options) {
  const fs::path root = fs::current_path();
  fs::path file = root / std::string(kProjectFileName);
  if (options.configFile) {
    const auto given = pathFromWide(*options.configFile);
    if (!given) {
      writeConsoleError(L"[ERROR] 設定ファイルを書き込めませんでした: " +
                        *options.configFile + L"\n");
      return 1;
    }
    file = root / *given;
  }
  std::error_code error;
  const fs::file_status status = fs::symlink_status(file, error);
  if (status.type() != fs::file_type::not_found) {
    writeConsoleError(L"[ERROR] 設定ファイルはすでにあります (上書きしません): " +
                      wideFromPath(file) + L"\n");
    return 1;
  }
  const RunLayout layout = runLayoutFor(root, options.layout);
  OutlineRules rules = outlineRulesFor(layout);
  rules.encoding = options.encoding;
  const ProjectScripts scripts = readProjectScripts(root, {""}, {}, rules, layout.tags);
  const TagCensus census = countTags(scripts, layout);
  std::ostringstream discard;
  ImageIndex index = buildImageIndex(root, discard, layout.indexKeepsEveryFile);
  index.ignoresCase = layout.ignoresCase;
  const std::vector<UnknownTagHint> hints =
      unknownTagHints(census, index, extensionOrderOf(layout));

  std::ofstream out(file, std::ios::out | std::ios::binary);
  out << fileText(layout, hints);
  out.close();
  if (!out) {
    writeConsoleError(L"[ERROR] 設定ファイルを書き込めませんでした: " +
                      wideFromPath(file) + L"\n");
    return 1;
  }
  writeConsoleOut(L"[INFO] 設定ファイルを作成しました: " + wideFromPath(file) + L"\n");
  return 0;
}
