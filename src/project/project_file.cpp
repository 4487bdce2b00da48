#include "project/project_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <system_error>
#include <utility>

#include "images/similar_names.h"
#include "layouts/tag_table.h"
#include "text/ascii_case.h"
#include "text/path_text.h"
#include "text/script_encoding.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The names --encoding takes, kept here until the option offers them itself.
// The names --encoding takes.
constexpr auto kEncodingNames = [] {
  std::array<std::string_view, std::size(kEncodingChoices)> names{};
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = kEncodingChoices[i].name;
  return names;
}();
constexpr std::string_view kCheckNames[] = {"images", "jumps", "sounds"};
constexpr std::string_view kTopKeys[] = {"layout",  "encoding", "search_path",
                                         "scripts", "check",    "tags"};
constexpr std::string_view kTagKeys[] = {"attributes", "folder"};

// Characters toml++ 3.3 cannot tell blanks from: its table of blanks reaches code it
// takes as unreachable for them (undefined behaviour), wherever it looks for blanks,
// also ahead of an error. The parser is given stand-ins from a private-use plane in
// their place, one character for one, so that lines and columns stay, and every text
// taken from it is restored.
constexpr char32_t kStandInOffset = 0xF0000;

bool tripsTheParser(char32_t c) {
  // The library's own test, up to the branch it takes as unreachable: blocks of 0x3FA
  // code points from U+00A0, a mask of the blocks without blanks, three blanks named,
  // and the two blocks it looks into.
  if (c <= 0xA0 || c >= 0xFEFF || c == 0x3000) return false;
  const std::uint64_t block = (static_cast<std::uint64_t>(c) - 0xA0) / 0x3FA;
  if (((std::uint64_t{1} << block) & 0x7FFFFFFFFFFFF75Eull) != 0) return false;
  return block != 5 && block != 7;
}

bool isStandIn(char32_t c) {
  return c >= kStandInOffset && tripsTheParser(c - kStandInOffset);
}

// `text` (valid UTF-8) with each character `replace` picks changed by `change`.
template <class Replace, class Change>
std::string replaced(std::string_view text, Replace replace, Change change) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Char c = decodeAnyUtf8At(text, at);
    if (replace(c.codePoint)) {
      appendUtf8(change(c.codePoint), out);
    } else {
      out.append(text.substr(at, c.length));
    }
    at += c.length;
  }
  return out;
}

std::string withStandIns(std::string_view text) {
  return replaced(text, tripsTheParser, [](char32_t c) { return c + kStandInOffset; });
}

// Text from the parser as the file wrote it.
std::string restored(std::string_view text) {
  return replaced(text, isStandIn, [](char32_t c) { return c - kStandInOffset; });
}

struct Reading {
  const fs::path& root;
  ProjectSettings& settings;
  std::vector<ProjectFileError>& errors;
};

// Messages quote keys and values as the file wrote them.
void fail(std::vector<ProjectFileError>& errors, const toml::source_region& at,
          std::string text) {
  errors.push_back({static_cast<int>(at.begin.line), static_cast<int>(at.begin.column),
                    restored(text)});
}

std::string joined(std::span<const std::string_view> words) {
  std::string text;
  for (const std::string_view word : words) {
    if (!text.empty()) text += ", ";
    text += word;
  }
  return text;
}

std::u32string codePoints(std::string_view utf8) {
  std::u32string text;
  for (std::size_t at = 0; at < utf8.size();) {
    const Utf8Char c = decodeAnyUtf8At(utf8, at);
    text += c.codePoint;
    at += c.length;
  }
  return text;
}

// The key of `keys` that `written` is most likely a typo of, by the distance
// did-you-mean uses for image names (letter case ignored); empty when none is close.
std::string_view closestKey(std::string_view written,
                            std::span<const std::string_view> keys) {
  const std::u32string folded = codePoints(foldedAscii(written));
  std::string_view best;
  int bestDistance = 0;
  for (const std::string_view key : keys) {
    const int limit = key.size() <= 4 ? 1 : key.size() <= 9 ? 2 : 3;
    const int distance = boundedAlignmentDistance(folded, codePoints(key), limit);
    if (distance <= limit && (best.empty() || distance < bestDistance)) {
      best = key;
      bestDistance = distance;
    }
  }
  return best;
}

void failUnknownKey(std::vector<ProjectFileError>& errors, const toml::key& key,
                    std::span<const std::string_view> keys) {
  const std::string_view closest = closestKey(key.str(), keys);
  fail(errors, key.source(),
       "不明なキーです: " + std::string(key.str()) +
           (closest.empty() ? " (使えるキー: " + joined(keys) + ")"
                            : " (" + std::string(closest) + " のことですか)"));
}

using Entry = std::pair<const toml::key*, const toml::node*>;

// toml++ keeps a table's keys sorted; messages and tags follow the file.
std::vector<Entry> inFileOrder(const toml::table& table) {
  std::vector<Entry> entries;
  for (const auto& [key, node] : table) entries.emplace_back(&key, &node);
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const toml::source_position& x = a.first->source().begin;
    const toml::source_position& y = b.first->source().begin;
    return std::pair(x.line, x.column) < std::pair(y.line, y.column);
  });
  return entries;
}

// The word `node` holds when it is one of `words`; an error naming `key` otherwise.
std::optional<std::string> wordOf(const toml::node& node, std::string_view key,
                                  std::span<const std::string_view> words,
                                  std::vector<ProjectFileError>& errors) {
  const auto* value = node.as_string();
  if (!value) {
    fail(errors, node.source(),
         std::string(key) + " の値は文字列で書きます (例: \"" + std::string(words[0]) +
             "\")");
    return std::nullopt;
  }
  const std::string& word = value->get();
  if (std::find(words.begin(), words.end(), word) == words.end()) {
    fail(errors, node.source(),
         std::string(key) + " に使えない値です: " + word + " (" + joined(words) +
             " のどれかを書きます)");
    return std::nullopt;
  }
  return word;
}

// The string items of the array `node` holds; an error naming `key` for anything
// else. `example` is a value to show when `node` is no array.
std::vector<const toml::value<std::string>*> stringItems(
    const toml::node& node, std::string_view key, std::string_view example,
    std::vector<ProjectFileError>& errors) {
  std::vector<const toml::value<std::string>*> items;
  const toml::array* array = node.as_array();
  if (!array) {
    fail(errors, node.source(),
         std::string(key) + " の値は文字列の配列で書きます (例: " + std::string(example) +
             ")");
    return items;
  }
  for (const toml::node& item : *array) {
    if (const auto* text = item.as_string()) {
      items.push_back(text);
    } else {
      fail(errors, item.source(), std::string(key) + " の要素は文字列で書きます");
    }
  }
  return items;
}

// `written` as a folder below the root: "/" separated, without "." parts or a
// trailing "/"; nullopt when it is absolute or leaves the root.
std::optional<std::string> folderBelowRoot(std::string_view written) {
  const std::string path = withForwardSlashes(written);
  if (path.starts_with('/') || (path.size() >= 2 && path[1] == ':')) return std::nullopt;
  std::string folder;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view part = std::string_view(path).substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") {
      if (!folder.empty()) folder += '/';
      folder += part;
    }
    start = end + 1;
  }
  return folder;
}

// The folder `item` names below the root, when it is one and exists there.
std::optional<std::string> folderOf(const toml::value<std::string>& item,
                                    std::string_view key, Reading& reading) {
  const std::string written = restored(item.get());
  const std::string name(key);
  if (written.empty()) {
    fail(reading.errors, item.source(), name + " のフォルダ名が空です");
    return std::nullopt;
  }
  const std::optional<std::string> folder = folderBelowRoot(written);
  if (!folder || folder->empty()) {
    fail(reading.errors, item.source(),
         name + " にはルートの下のフォルダを相対パスで書きます: " + written);
    return std::nullopt;
  }
  const std::optional<fs::path> path = pathFromWide(decodeUtf8(*folder));
  std::error_code error;
  if (!path || !fs::is_directory(reading.root / *path, error)) {
    fail(reading.errors, item.source(), name + " のフォルダがありません: " + written);
    return std::nullopt;
  }
  return folder;
}

std::vector<std::string> foldersOf(const toml::node& node, std::string_view key,
                                   std::string_view example, Reading& reading) {
  std::vector<std::string> folders;
  for (const auto* item : stringItems(node, key, example, reading.errors)) {
    if (auto folder = folderOf(*item, key, reading))
      folders.push_back(std::move(*folder));
  }
  return folders;
}

void readLayout(const toml::key&, const toml::node& node, Reading& reading) {
  const std::string_view names[] = {layoutName(Layout::plain),
                                    layoutName(Layout::browser),
                                    layoutName(Layout::desktop)};
  if (auto word = wordOf(node, "layout", names, reading.errors)) {
    reading.settings.layout = layoutNamed(decodeUtf8(*word));
  }
}

void readEncoding(const toml::key&, const toml::node& node, Reading& reading) {
  reading.settings.encoding = wordOf(node, "encoding", kEncodingNames, reading.errors);
}

void readSearchPath(const toml::key&, const toml::node& node, Reading& reading) {
  reading.settings.searchPath =
      foldersOf(node, "search_path", "[\"evimage\", \"face\"]", reading);
}

void readScripts(const toml::key&, const toml::node& node, Reading& reading) {
  reading.settings.scripts =
      foldersOf(node, "scripts", "[\"scenario\", \"others/plugin\"]", reading);
}

void readCheck(const toml::key&, const toml::node& node, Reading& reading) {
  const auto items =
      stringItems(node, "check", "[\"images\", \"jumps\"]", reading.errors);
  std::vector<std::string> checks;
  for (const auto* item : items) {
    if (auto word = wordOf(*item, "check", kCheckNames, reading.errors)) {
      checks.push_back(std::move(*word));
    }
  }
  if (node.is_array() && node.as_array()->empty()) {
    fail(reading.errors, node.source(),
         "check には " + joined(kCheckNames) + " から 1 つ以上書きます");
  }
  reading.settings.checks = std::move(checks);
}

// One [tags.NAME] table.
void readTag(const toml::key& name, const toml::node& node, Reading& reading) {
  const std::string qualified = "tags." + std::string(name.str());
  if (name.str().empty()) {
    fail(reading.errors, name.source(), "タグ名が空です");
    return;
  }
  const toml::table* table = node.as_table();
  if (!table) {
    fail(reading.errors, node.source(),
         qualified + " の値はテーブルで書きます (例: [" + qualified + "])");
    return;
  }
  ProjectTag tag{restored(name.str()), {}, {}};
  bool hasAttributes = false;
  for (const auto& [key, value] : inFileOrder(*table)) {
    const std::string keyName = qualified + "." + std::string(key->str());
    if (key->str() == "attributes") {
      hasAttributes = true;
      for (const auto* item :
           stringItems(*value, keyName, "[\"file\"]", reading.errors)) {
        if (item->get().empty()) {
          fail(reading.errors, item->source(), keyName + " に空の属性名があります");
        } else {
          tag.attributes.push_back(restored(item->get()));
        }
      }
      if (value->is_array() && value->as_array()->empty()) {
        fail(reading.errors, value->source(), keyName + " に属性名を 1 つ以上書きます");
      }
      if (tag.attributes.size() > kMaxTagAttributes) {
        fail(
            reading.errors, value->source(),
            keyName + " の属性名は " + std::to_string(kMaxTagAttributes) + " 個までです");
      }
    } else if (key->str() == "folder") {
      if (const auto* text = value->as_string()) {
        tag.folder = folderOf(*text, keyName, reading);
      } else {
        fail(reading.errors, value->source(),
             keyName + " の値は文字列で書きます (例: \"bgimage\")");
      }
    } else if (std::find(std::begin(kTopKeys), std::end(kTopKeys), key->str()) !=
               std::end(kTopKeys)) {
      // A key written below a [tags.NAME] header belongs to that table.
      fail(reading.errors, key->source(),
           "不明なキーです: " + std::string(key->str()) + " (" + std::string(key->str()) +
               " は [" + qualified + "] より前に書きます)");
    } else {
      failUnknownKey(reading.errors, *key, kTagKeys);
    }
  }
  if (!hasAttributes) {
    fail(reading.errors, name.source(),
         qualified + " に attributes がありません (例: attributes = [\"file\"])");
  }
  reading.settings.tags.push_back(std::move(tag));
}

void readTags(const toml::key&, const toml::node& node, Reading& reading) {
  const toml::table* tags = node.as_table();
  if (!tags) {
    fail(reading.errors, node.source(), "tags の値はテーブルで書きます (例: [tags.cg])");
    return;
  }
  for (const auto& [name, tag] : inFileOrder(*tags)) readTag(*name, *tag, reading);
}

struct KeyRule {
  std::string_view key;
  void (*read)(const toml::key&, const toml::node&, Reading&);
};

constexpr KeyRule kKeyRules[] = {
    {"layout", readLayout},   {"encoding", readEncoding}, {"search_path", readSearchPath},
    {"scripts", readScripts}, {"check", readCheck},       {"tags", readTags},
};

// The first character of `text` (UTF-8) for which `finds(character, its bytes)` gives
// an explanation, at its line and column (characters, from 1).
template <class Finds>
std::optional<ProjectFileError> firstMistake(std::string_view text, Finds finds) {
  int line = 1;
  int column = 1;
  for (std::size_t at = 0; at < text.size();) {
    const Utf8Char c = decodeAnyUtf8At(text, at);
    if (std::optional<std::string> mistake =
            finds(c.codePoint, text.substr(at, c.length))) {
      return ProjectFileError{line, column, std::move(*mistake)};
    }
    if (text[at] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    at += c.length;
  }
  return std::nullopt;
}

// The first byte that is not UTF-8, where toml++ would stop with a message in
// English that does not say what to do.
std::optional<ProjectFileError> invalidUtf8(std::string_view text) {
  return firstMistake(text, [](char32_t c, std::string_view bytes) {
    return c == U'\uFFFD' && bytes != "\xEF\xBF\xBD"
               ? std::optional<std::string>(
                     "UTF-8 として読めないバイトがあります (UTF-8 で保存してください)")
               : std::nullopt;
  });
}

// A stand-in written in the file itself could not be told from one put in.
std::optional<ProjectFileError> standInWritten(std::string_view text) {
  return firstMistake(
      text, [](char32_t c, std::string_view) -> std::optional<std::string> {
        if (!isStandIn(c)) return std::nullopt;
        char code[16];
        std::snprintf(code, sizeof code, "U+%X", static_cast<unsigned>(c));
        return "TOML として読めません: 使えない文字があります (" + std::string(code) +
               ")";
      });
}

ProjectFileReading fileError(std::string utf8Path, std::string text) {
  ProjectFileReading reading;
  reading.settings.utf8Path = std::move(utf8Path);
  reading.errors.push_back({0, 0, std::move(text)});
  return reading;
}

}  // namespace

std::vector<std::string_view> projectEncodingNames() {
  return {std::begin(kEncodingNames), std::end(kEncodingNames)};
}

ProjectFileReading parseProjectFile(std::string_view text, std::string_view utf8Path,
                                    const fs::path& root) {
  ProjectFileReading result;
  result.settings.utf8Path = utf8Path;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  if (auto error = invalidUtf8(text)) {
    result.errors.push_back(std::move(*error));
    return result;
  }
  if (auto error = standInWritten(text)) {
    result.errors.push_back(std::move(*error));
    return result;
  }
  toml::table table;
  try {
    table = toml::parse(withStandIns(text), utf8Path);
  } catch (const toml::parse_error& error) {
    fail(result.errors, error.source(),
         "TOML として読めません: " + std::string(error.description()));
    return result;
  }
  Reading reading{root, result.settings, result.errors};
  for (const auto& [key, node] : inFileOrder(table)) {
    const std::string_view name = key->str();
    const auto rule = std::find_if(std::begin(kKeyRules), std::end(kKeyRules),
                                   [name](const KeyRule& r) { return r.key == name; });
    if (rule == std::end(kKeyRules)) {
      failUnknownKey(result.errors, *key, kTopKeys);
    } else {
      rule->read(*key, *node, reading);
    }
  }
  std::stable_sort(result.errors.begin(), result.errors.end(),
                   [](const ProjectFileError& a, const ProjectFileError& b) {
                     return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                   });
  return result;
}

ProjectFileReading readProjectFile(const fs::path& root,
                                   const std::optional<std::wstring>& wConfig) {
  std::string utf8Path =
      wConfig ? encodeUtf8Lenient(*wConfig) : std::string(kProjectFileName);
  const std::optional<fs::path> given =
      wConfig ? pathFromWide(*wConfig) : std::optional<fs::path>(kProjectFileName);
  if (!given || given->empty())
    return fileError(std::move(utf8Path), "設定ファイルがありません");
  const fs::path file = root / *given;
  std::error_code error;
  if (!fs::exists(file, error)) {
    if (!wConfig) return {};
    return fileError(std::move(utf8Path), "設定ファイルがありません");
  }
  if (fs::is_directory(file, error)) {
    return fileError(std::move(utf8Path), "設定ファイルを読み込めません");
  }
  std::ifstream stream(file, std::ios::in | std::ios::binary);
  std::string text;
  if (stream) text.assign(std::istreambuf_iterator<char>(stream), {});
  if (!stream && !stream.eof()) {
    return fileError(std::move(utf8Path), "設定ファイルを読み込めません");
  }
  return parseProjectFile(text, utf8Path, root);
}

std::string projectFileErrorLine(std::string_view utf8Path,
                                 const ProjectFileError& error) {
  if (error.line == 0)
    return "[エラー] " + error.text + ": " + std::string(utf8Path) + "\n";
  return "[エラー] 設定ファイルの誤り: " + std::string(utf8Path) + " 行 " +
         std::to_string(error.line) + " 列 " + std::to_string(error.column) + ": " +
         error.text + "\n";
}
