#include "script/comment_lines.h"

#include "text/blanks.h"

namespace {

// A line read from a file with CR LF ends keeps its CR, which the game drops.
std::string_view withoutCrOrBlanks(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  return trimBlanks(line);
}

}  // namespace

bool isCommentLine(std::string_view utf8Line, CommentState& state) {
  // Most lines start with a character that settles it.
  if (!state.inBlock && !utf8Line.empty() && !isBlank(utf8Line.front()) &&
      utf8Line.front() != '/') {
    return utf8Line.front() == ';';
  }
  const std::string_view text = withoutCrOrBlanks(utf8Line);
  if (state.inBlock) {
    if (text == "*/") state.inBlock = false;
    return true;
  }
  if (text == "/*") {
    state.inBlock = true;
    return true;
  }
  return text.starts_with(';');
}
