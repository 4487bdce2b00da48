// The built-in CP932 table, which POSIX builds convert with, against the system's
// converters: every input the table covers must come out the same both ways.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/recorded_conversions.h"
#include "text/cp932.h"
#include "text/cp932_table_codec.h"
#include "text/utf8.h"

namespace {

std::string show(const std::optional<std::string>& bytes) {
  return bytes ? hexBytes(*bytes) : "(no code)";
}

void compareDecoding(std::string_view bytes, Mismatches& mismatches) {
  const std::wstring system = decodeCp932(bytes);
  const std::wstring table = decodeCp932WithTable(bytes);
  if (system != table) {
    mismatches.add(hexBytes(bytes) + "-> system " + hexUnits(system) + "table " +
                   hexUnits(table));
  }
}

void compareEncoding(std::wstring_view text, Mismatches& mismatches) {
  const std::optional<std::string> systemStrict = encodeCp932Strict(text);
  const std::optional<std::string> tableStrict = encodeCp932WithTable(text, true);
  if (systemStrict != tableStrict) {
    mismatches.add("strict " + hexUnits(text) + "-> system " + show(systemStrict) +
                   "table " + show(tableStrict));
  }
  const std::string systemLenient = encodeCp932Lenient(text);
  const std::optional<std::string> tableLenient = encodeCp932WithTable(text, false);
  if (systemLenient != tableLenient) {
    mismatches.add("lenient " + hexUnits(text) + "-> system " + hexBytes(systemLenient) +
                   "table " + show(tableLenient));
  }
}

bool isSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

TEST(Cp932Windows, AnsiCodePageIs932) {
  // The tool targets systems whose narrow code page is 932; the test environment
  // (wine under a ja_JP locale in CI) must be one of them.
  EXPECT_EQ(GetACP(), 932u);
}

TEST(Cp932Windows, DecodesEverySingleByteAsTheTable) {
  Mismatches mismatches;
  for (unsigned byte = 0; byte <= 0xFF; ++byte) {
    compareDecoding(std::string(1, static_cast<char>(byte)), mismatches);
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST(Cp932Windows, DecodesEveryTwoByteSequenceAsTheTable) {
  Mismatches mismatches;
  for (unsigned first = 0; first <= 0xFF; ++first) {
    for (unsigned second = 0; second <= 0xFF; ++second) {
      const char pair[] = {static_cast<char>(first), static_cast<char>(second)};
      compareDecoding(std::string_view(pair, 2), mismatches);
    }
  }
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST(Cp932Windows, DecodesContextAsTheTable) {
  // Whether a byte is a lead or a trail byte depends on what came before it.
  Mismatches mismatches;
  const std::vector<std::string_view> cases = {
      std::string_view("\x81\x81\x81", 3),      // lead, trail, lone lead at the end
      std::string_view("\x81\x00\x40", 3),      // lead before a zero byte
      std::string_view("\x95\xCF\x8A\xB7", 4),  // 変換
      std::string_view("\xA0\xFD\xFE\xFF\x80", 5), std::string_view("a\0b", 3),
  };
  for (std::string_view bytes : cases) compareDecoding(bytes, mismatches);

  std::string everyPair;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (!isCp932LeadByte(static_cast<unsigned char>(lead))) continue;
    for (unsigned trail = 0x01; trail <= 0xFF; ++trail) {
      everyPair += static_cast<char>(lead);
      everyPair += static_cast<char>(trail);
    }
  }
  compareDecoding(everyPair, mismatches);
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST(Cp932Windows, EncodesEveryBmpCharacterAsTheTable) {
  Mismatches mismatches;
  std::wstring everyCharacter;
  for (unsigned unit = 0x0001; unit <= 0xFFFF; ++unit) {
    if (isSurrogate(unit)) continue;
    const wchar_t character = static_cast<wchar_t>(unit);
    compareEncoding(std::wstring_view(&character, 1), mismatches);
    everyCharacter += character;
  }
  compareEncoding(everyCharacter, mismatches);
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST(Cp932Windows, EncodesSurrogatesAsTheTable) {
  // The converter writes a "?" per UTF-16 unit; a pair must still give one "?", as
  // where wchar_t holds it whole. Lone surrogates reach the converter itself.
  Mismatches mismatches;
  const std::vector<std::wstring> cases = {
      {0xD83D, 0xDE00},  // a pair: one character without a code
      {L'a', 0xD83D, 0xDE00, L'b'},
      {0xD83D},        // lone high surrogate
      {0xDE00, L'a'},  // lone low surrogate
      {0xD83D, 0xD83D, 0xDE00},
      {0x5909, 0xDE00, 0x63DB},
  };
  for (const std::wstring& text : cases) compareEncoding(text, mismatches);
  EXPECT_TRUE(mismatches.empty()) << mismatches.summary();
}

TEST(Cp932Windows, EncodesUtf8TextAsTheTable) {
  std::string every;
  for (unsigned cp = 0x0001; cp <= 0xFFFF; ++cp) {
    if (isSurrogate(cp)) continue;
    every += encodeUtf8Lenient(std::wstring(1, static_cast<wchar_t>(cp)));
  }
  const std::string cases[] = {
      every,
      "a\xF0\x9F\x98\x80z",          // beyond the BMP: one "?"
      "a\xFF\xED\xA0\x80\xC0\xAFz",  // invalid sequences
      "\xE5\xA4\x89\xE6\x8F",        // cut at the end
  };
  for (const std::string& utf8 : cases) {
    std::string system;
    appendUtf8AsCp932Lenient(utf8, system);
    std::string table;
    appendUtf8AsCp932WithTable(utf8, table);
    EXPECT_EQ(hexBytes(system), hexBytes(table));
  }
}

}  // namespace
