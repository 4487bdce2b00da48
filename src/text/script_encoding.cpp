#include "text/script_encoding.h"

#include "text/ascii_case.h"

std::string_view encodingName(ScriptEncoding encoding) {
  switch (encoding) {
    case ScriptEncoding::shiftJis:
      return "shift-jis";
    case ScriptEncoding::utf16le:
      return "utf-16le";
    case ScriptEncoding::utf16be:
      return "utf-16be";
    case ScriptEncoding::gbk:
      return "gbk";
    case ScriptEncoding::big5:
      return "big5";
    case ScriptEncoding::utf8:
      break;
  }
  return "utf-8";
}

std::string_view encodingLabel(ScriptEncoding encoding) {
  switch (encoding) {
    case ScriptEncoding::shiftJis:
      return "Shift-JIS";
    case ScriptEncoding::utf16le:
    case ScriptEncoding::utf16be:
      return "UTF-16";
    case ScriptEncoding::gbk:
      return "GBK";
    case ScriptEncoding::big5:
      return "Big5";
    case ScriptEncoding::utf8:
      break;
  }
  return "UTF-8";
}

std::optional<ScriptEncodingChoice> encodingChoiceNamed(std::string_view name) {
  for (const NamedEncodingChoice& known : kEncodingChoices) {
    if (equalsFoldedAscii(name, known.name)) return known.choice;
  }
  return std::nullopt;
}

std::optional<ScriptEncoding> chosenEncoding(ScriptEncodingChoice choice) {
  switch (choice) {
    case ScriptEncodingChoice::utf8:
      return ScriptEncoding::utf8;
    case ScriptEncodingChoice::shiftJis:
      return ScriptEncoding::shiftJis;
    case ScriptEncodingChoice::gbk:
      return ScriptEncoding::gbk;
    case ScriptEncodingChoice::big5:
      return ScriptEncoding::big5;
    case ScriptEncodingChoice::automatic:
      break;
  }
  return std::nullopt;
}
