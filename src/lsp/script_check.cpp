#include "lsp/script_check.h"

#include <array>
#include <ostream>
#include <utility>

#include "app/script_patterns.h"
#include "images/image_locator.h"
#include "lsp/text_positions.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// The locator traces every look-up for the run's log; the server keeps no log.
class DiscardingStream : public std::ostream {
 public:
  DiscardingStream() : std::ostream(nullptr) {}
};

// What the locator remembers grows with every new name typed; past this it starts
// afresh, so that memory stays flat however long a script is edited.
constexpr std::size_t kRememberedAnswerBytes = 8 << 20;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

std::string withForwardSlashes(std::string_view text) {
  std::string out(text);
  for (auto& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// A folder attribute as a folder relative to the root: "/" between parts, no "./"
// before them and no "/" after them ("" for the root itself).
std::string folderFromHint(std::string_view utf8Hint) {
  std::string folder = withForwardSlashes(utf8Hint);
  while (folder.starts_with("./")) folder.erase(0, 2);
  if (folder == ".") folder.clear();
  while (folder.ends_with('/')) folder.pop_back();
  return folder;
}

// A line whose first character after blanks is ";" is a comment.
bool isCommentLine(std::string_view utf8Line) {
  const std::size_t first = utf8Line.find_first_not_of(" \t");
  return first != std::string_view::npos && utf8Line[first] == ';';
}

// The folder hint of a line: the folder attribute of its first image/bg/bg2 tag.
std::optional<std::string_view> folderHintOf(std::string_view utf8Line) {
  const auto attributes = findTagAttributes(utf8Line);
  if (!attributes) return std::nullopt;
  return findFolderValue(*attributes);
}

// The file a look-up found: through the hint, the hint and the whole reference;
// else the folder the search gave and the reference's last part.
std::string foundFile(std::string_view utf8Image, std::string_view utf8Hint,
                      const ImageLookup& lookup) {
  const std::string image = withForwardSlashes(utf8Image);
  if (lookup.throughHint) {
    const std::string folder = folderFromHint(utf8Hint);
    return folder.empty() ? image : folder + "/" + image;
  }
  const std::string name = image.substr(image.rfind('/') + 1);
  if (lookup.folder == ".") return name;
  return withForwardSlashes(lookup.folder) + "/" + name;
}

CheckedReference checkReference(std::string_view utf8Image,
                                const std::optional<std::string_view>& utf8Hint,
                                ProjectState& project, std::ostream& discard) {
  const ImageLookup lookup =
      locateImage(utf8Image, utf8Hint.value_or(""), project.root, project.index, discard);
  CheckedReference checked;
  checked.reference = utf8Image;
  checked.found = !lookup.folder.empty();
  if (checked.found) {
    checked.folder = lookup.folder;
    checked.file = foundFile(utf8Image, utf8Hint.value_or(""), lookup);
  }
  checked.caseOnlyMatch = withForwardSlashes(lookup.caseOnlyMatch);
  checked.nameOnDisk = lookup.nameOnDisk;
  checked.folderMismatch = lookup.folderMismatch;
  for (const std::string& suggestion : lookup.suggestions) {
    checked.suggestions.push_back(withForwardSlashes(suggestion));
  }
  if (utf8Hint) checked.writtenFrom = folderFromHint(*utf8Hint);
  return checked;
}

}  // namespace

ProjectState openProject(const fs::path& root) {
  ProjectState project{root, {}};
  refreshProject(project);
  return project;
}

void refreshProject(ProjectState& project) {
  DiscardingStream discard;
  project.index = buildImageIndex(project.root, discard, /*keepEveryImage=*/true);
}

CheckedScript checkScriptText(std::string_view utf8Text, ProjectState& project) {
  if (project.index.answers.records.size() > kRememberedAnswerBytes) {
    project.index.answers = {};
    project.index.namesAsked.clear();
  }
  DiscardingStream discard;
  CheckedScript checked;
  std::vector<std::string_view> references;
  const std::vector<std::size_t> starts = lineStarts(utf8Text);
  for (std::size_t line = 0; line < starts.size(); ++line) {
    const std::string_view wholeLine = lineText(utf8Text, starts, line);
    // The mark is no part of the script's first line, but its columns count.
    const std::size_t markLength =
        line == 0 && wholeLine.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    const std::string_view utf8Line = wholeLine.substr(markLength);
    if (utf8Line.find(kReplacementCharacter) != std::string_view::npos ||
        !isValidUtf8(utf8Line)) {
      checked.invalidLines.push_back(static_cast<int>(line));
    }
    if (isCommentLine(utf8Line)) continue;
    findReferences(utf8Line, references);
    if (references.empty()) continue;
    const auto hint = folderHintOf(utf8Line);
    for (const std::string_view reference : references) {
      CheckedReference& result = checked.references.emplace_back(
          checkReference(reference, hint, project, discard));
      result.line = static_cast<int>(line);
      result.begin =
          markLength + static_cast<std::size_t>(reference.data() - utf8Line.data());
      result.end = result.begin + reference.size();
    }
  }
  return checked;
}

namespace {

// The attributes that name an image, of any tag: the plain layout knows no tag's
// own folder, only the line's folder attribute.
constexpr std::array<std::string_view, 6> kImageAttributes = {
    "storage", "graphic", "enterimg", "leaveimg", "clickimg", "hoverimg"};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Where the tag around `offset` starts: after the name of an "@" line's tag, or
// after the "[" and name of the last tag opened before `offset` and not closed
// before it. npos outside any tag.
std::size_t tagBodyStart(std::string_view utf8Line, std::size_t offset) {
  std::size_t nameStart = std::string_view::npos;
  const std::size_t first = utf8Line.find_first_not_of(" \t");
  if (first != std::string_view::npos && utf8Line[first] == '@') {
    nameStart = first + 1;
  } else {
    const std::size_t open = utf8Line.rfind('[', offset == 0 ? 0 : offset - 1);
    if (open == std::string_view::npos || open >= offset) return std::string_view::npos;
    const std::size_t close = utf8Line.find(']', open);
    if (close < offset) return std::string_view::npos;
    nameStart = open + 1;
  }
  std::size_t at = nameStart;
  while (at < utf8Line.size() && !isBlank(utf8Line[at]) && utf8Line[at] != ']') ++at;
  return at == nameStart ? std::string_view::npos : at;
}

struct Attribute {
  std::string_view name;
  std::size_t valueBegin = 0, valueEnd = 0;
};

// The attributes of a tag from `at` to its "]" or the line's end; a quote left open
// runs to the line's end, as one being typed does.
std::vector<Attribute> tagAttributes(std::string_view line, std::size_t at) {
  std::vector<Attribute> attributes;
  const auto skipBlanks = [&] {
    while (at < line.size() && isBlank(line[at])) ++at;
  };
  while (true) {
    skipBlanks();
    if (at >= line.size() || line[at] == ']') return attributes;
    const std::size_t nameBegin = at;
    while (at < line.size() && !isBlank(line[at]) && line[at] != '=' && line[at] != ']') {
      ++at;
    }
    Attribute attribute{line.substr(nameBegin, at - nameBegin)};
    skipBlanks();
    if (at >= line.size() || line[at] != '=') continue;
    ++at;
    skipBlanks();
    if (at < line.size() && (line[at] == '"' || line[at] == '\'')) {
      const std::size_t close = line.find(line[at], at + 1);
      attribute.valueBegin = at + 1;
      attribute.valueEnd = close == std::string_view::npos ? line.size() : close;
      at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
      attribute.valueBegin = at;
      while (at < line.size() && !isBlank(line[at]) && line[at] != ']') ++at;
      attribute.valueEnd = at;
    }
    attributes.push_back(attribute);
  }
}

bool isImageAttribute(std::string_view name) {
  for (const std::string_view known : kImageAttributes) {
    if (name == known) return true;
  }
  return false;
}

bool hasImageExtension(std::string_view utf8Path) {
  const std::string_view tail =
      utf8Path.size() >= 4 ? utf8Path.substr(utf8Path.size() - 4) : std::string_view{};
  return tail == ".png" || tail == ".jpg" || tail == ".PNG" || tail == ".JPG";
}

}  // namespace

std::optional<ImageValue> imageValueAt(std::string_view utf8Line, std::size_t offset) {
  const std::size_t body = tagBodyStart(utf8Line, offset);
  if (body == std::string_view::npos) return std::nullopt;
  for (const Attribute& attribute : tagAttributes(utf8Line, body)) {
    if (isImageAttribute(attribute.name) && attribute.valueBegin <= offset &&
        offset <= attribute.valueEnd) {
      ImageValue value{attribute.valueBegin, attribute.valueEnd, std::nullopt};
      // As the check reads the line, so that what is offered is what it finds.
      if (const auto hint = folderHintOf(utf8Line))
        value.writtenFrom = folderFromHint(*hint);
      return value;
    }
  }
  return std::nullopt;
}

std::vector<std::string> imagesOffered(const ProjectState& project,
                                       const ImageValue& value) {
  std::string below = value.writtenFrom.value_or("");
  if (!below.empty()) below += '/';
  std::vector<std::string> images;
  const ImageIndex& index = project.index;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    std::string path = relativeFilePath(index, file, '/');
    if (hasImageExtension(path) && path.starts_with(below))
      images.push_back(std::move(path));
  }
  return images;
}
