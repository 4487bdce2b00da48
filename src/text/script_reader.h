// Scripts come in whatever encoding their editor saved: UTF-8 with or without a
// byte-order mark, Shift-JIS from older tools, UTF-16 with a mark, GBK or Big5 from
// Chinese editions of Windows. A reader hands out every line as UTF-8. A mark decides
// the encoding; without one, the user's choice does, and failing that the first line
// that is not plain ASCII (the lines before it read the same in every encoding).
// Memory stays one block and one line, however long the script.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "text/line_reader.h"
#include "text/script_encoding.h"

struct ScriptLine {
  std::string_view utf8;         // without its "\n"; a "\r" before it stays
  bool replacedInvalid = false;  // bytes that form no character became U+FFFD
  bool decidedShiftJis = false;  // this line made the script Shift-JIS
};

// One reader serves script after script, keeping its memory.
struct ScriptReader {
  ScriptEncodingChoice choice = ScriptEncodingChoice::automatic;  // set by the owner
  std::istream* in = nullptr;
  ScriptEncoding encoding = ScriptEncoding::utf8;
  bool decided = false;
  LineReader bytes;  // lines of a byte-oriented script
  std::string raw;   // UTF-16 bytes read but not yet handed out, from rawNext
  std::size_t rawNext = 0;
  std::string decoded;  // the current line when it needed converting
  // Characters beyond ASCII of a script that detection made Shift-JIS, and the
  // half-width katakana among them.
  std::size_t nonAsciiCharacters = 0;
  std::size_t halfWidthKatakana = 0;
};

// Begins reading the freshly opened script `in` (binary) and consumes its byte-order
// mark, if any; returns whether there was one. Without a mark, a fixed
// `reader.choice` decides the encoding at once. `in` must outlive the reading.
bool startScript(ScriptReader& reader, std::istream& in);

// The encoding the first line of a script that is not plain ASCII decides, for a
// script without byte-order mark: Shift-JIS when the line is no UTF-8 but
// well-formed CP932, else UTF-8.
ScriptEncoding encodingDecidedBy(std::string_view firstNonAsciiLine);

// One line of a script in a byte-oriented encoding (not UTF-16) as UTF-8, as
// readScriptLine gives it: a view of `raw` itself, or of `buffer` when it needed
// converting; `replacedInvalid` tells whether bytes became U+FFFD.
std::string_view decodeScriptLine(std::string_view raw, ScriptEncoding encoding,
                                  std::string& buffer, bool& replacedInvalid);

// Sets `line` to the next line, valid until the next call. False at the end of the
// script; a read that fails ends it too.
// UTF-8 lines are checked; Shift-JIS, GBK and Big5 lines are decoded as Windows does
// (a lead byte without its trail byte becomes U+30FB or "?", never taking the line
// feed with it).
bool readScriptLine(ScriptReader& reader, ScriptLine& line);

// Whether the script read so far, made Shift-JIS by detection, is probably in another
// code page: half-width katakana are more than half of its characters beyond ASCII,
// and it has at least 8 of those. GBK and Big5 text is often well-formed Shift-JIS
// and then reads as runs of such katakana, which Japanese text seldom has. Meant for
// the end of the script.
bool doubtsShiftJis(const ScriptReader& reader);
