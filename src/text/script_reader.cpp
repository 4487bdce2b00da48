#include "text/script_reader.h"

#include "text/cp932.h"
#include "text/utf8.h"

namespace {

constexpr std::size_t kUtf16BlockBytes = 64 * 1024;

bool isLineFeedUnit(const ScriptReader& reader, std::size_t at) {
  const char first = reader.raw[at];
  const char second = reader.raw[at + 1];
  return reader.encoding == ScriptEncoding::utf16le ? first == '\n' && second == '\0'
                                                    : first == '\0' && second == '\n';
}

void decodeUtf16(ScriptReader& reader, std::size_t end, ScriptLine& line) {
  reader.decoded.clear();
  const std::string_view units(reader.raw.data() + reader.rawNext, end - reader.rawNext);
  line.replacedInvalid = !appendUtf16AsUtf8(
      units, reader.encoding == ScriptEncoding::utf16be, reader.decoded);
  line.utf8 = reader.decoded;
}

// Lines end at the unit U+000A: its byte 0A also stands in other units (U+300A "《"
// is 0A 30 in little-endian order), so units are looked at, not bytes.
bool readUtf16Line(ScriptReader& reader, ScriptLine& line) {
  std::size_t scanFrom = reader.rawNext;
  while (true) {
    for (std::size_t at = scanFrom; at + 1 < reader.raw.size(); at += 2) {
      if (isLineFeedUnit(reader, at)) {
        decodeUtf16(reader, at, line);
        reader.rawNext = at + 2;
        return true;
      }
    }
    // Keep only the unfinished line, then read on.
    reader.raw.erase(0, reader.rawNext);
    reader.rawNext = 0;
    scanFrom = reader.raw.size() & ~std::size_t{1};
    const std::size_t kept = reader.raw.size();
    if (*reader.in) {
      reader.raw.resize(kept + kUtf16BlockBytes);
      reader.in->read(reader.raw.data() + kept,
                      static_cast<std::streamsize>(kUtf16BlockBytes));
      reader.raw.resize(kept + static_cast<std::size_t>(reader.in->gcount()));
    }
    if (reader.raw.size() > kept) continue;
    if (reader.raw.empty()) return false;
    decodeUtf16(reader, reader.raw.size(), line);  // a last line without a line feed
    reader.raw.clear();
    return true;
  }
}

}  // namespace

std::string_view encodingName(ScriptEncoding encoding) {
  switch (encoding) {
    case ScriptEncoding::shiftJis:
      return "shift-jis";
    case ScriptEncoding::utf16le:
      return "utf-16le";
    case ScriptEncoding::utf16be:
      return "utf-16be";
    case ScriptEncoding::utf8:
      break;
  }
  return "utf-8";
}

bool startScript(ScriptReader& reader, std::istream& in) {
  reader.in = &in;
  reader.encoding = ScriptEncoding::utf8;
  reader.decided = false;
  reader.raw.clear();
  reader.rawNext = 0;
  char head[3] = {};
  in.read(head, 3);
  const std::string_view mark(head, static_cast<std::size_t>(in.gcount()));
  std::streamoff start = 0;
  if (mark.starts_with("\xEF\xBB\xBF")) {
    reader.decided = true;
    start = 3;
  } else if (mark.starts_with("\xFF\xFE") || mark.starts_with("\xFE\xFF")) {
    reader.encoding =
        mark[0] == '\xFF' ? ScriptEncoding::utf16le : ScriptEncoding::utf16be;
    reader.decided = true;
    start = 2;
  }
  in.clear();
  in.seekg(start);
  startReading(reader.bytes, in);
  return start != 0;
}

ScriptEncoding encodingDecidedBy(std::string_view firstNonAsciiLine) {
  return !isValidUtf8(firstNonAsciiLine) && isWellFormedCp932(firstNonAsciiLine)
             ? ScriptEncoding::shiftJis
             : ScriptEncoding::utf8;
}

std::string_view decodeScriptLine(std::string_view raw, ScriptEncoding encoding,
                                  std::string& buffer, bool& replacedInvalid) {
  replacedInvalid = false;
  if (encoding == ScriptEncoding::shiftJis) {
    buffer.clear();
    appendCp932AsUtf8(raw, buffer);
    return buffer;
  }
  if (isValidUtf8(raw)) return raw;
  sanitizeUtf8(raw, buffer);
  replacedInvalid = true;
  return buffer;
}

bool readScriptLine(ScriptReader& reader, ScriptLine& line) {
  line = {};
  if (reader.encoding == ScriptEncoding::utf16le ||
      reader.encoding == ScriptEncoding::utf16be) {
    return readUtf16Line(reader, line);
  }
  std::string_view raw;
  if (!readLine(reader.bytes, raw)) return false;
  if (!reader.decided && !isAscii(raw)) {
    reader.decided = true;
    reader.encoding = encodingDecidedBy(raw);
    line.decidedShiftJis = reader.encoding == ScriptEncoding::shiftJis;
  }
  line.utf8 = decodeScriptLine(raw, reader.encoding, reader.decoded, line.replacedInvalid);
  return true;
}
