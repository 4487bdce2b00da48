// Lines the game never reads: a line whose first character after blanks is ";", and
// a block from a line that is exactly "/*" to a line that is exactly "*/" (blanks
// around them aside), both included. Inside [iscript] blocks the same rules hold.
#pragma once

#include <string_view>

// Carried from line to line of one script; a new script starts outside a block.
struct CommentState {
  bool inBlock = false;
};

// Whether `utf8Line` (without its "\n"; a "\r" before it is ignored) is a comment
// line, given the lines before it through `state`, which it updates.
bool isCommentLine(std::string_view utf8Line, CommentState& state);
