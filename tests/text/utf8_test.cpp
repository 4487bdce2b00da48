#include "text/utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/wide_text.h"

namespace {

// Wide text of raw units, surrogates and out-of-range values included.
std::wstring unitsOf(std::u32string_view units) {
  std::wstring out;
  for (char32_t unit : units) out.push_back(static_cast<wchar_t>(unit));
  return out;
}

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

// The well-formed byte sequences as the Unicode standard tabulates them: a lead byte
// range and the allowed range of each following byte.
struct ByteRange {
  unsigned char low, high;
};
struct WellFormedRow {
  ByteRange lead;
  std::vector<ByteRange> next;
};
const std::vector<WellFormedRow> kWellFormed = {
    {{0x00, 0x7F}, {}},
    {{0xC2, 0xDF}, {{0x80, 0xBF}}},
    {{0xE0, 0xE0}, {{0xA0, 0xBF}, {0x80, 0xBF}}},
    {{0xE1, 0xEC}, {{0x80, 0xBF}, {0x80, 0xBF}}},
    {{0xED, 0xED}, {{0x80, 0x9F}, {0x80, 0xBF}}},
    {{0xEE, 0xEF}, {{0x80, 0xBF}, {0x80, 0xBF}}},
    {{0xF0, 0xF0}, {{0x90, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {{0xF1, 0xF3}, {{0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {{0xF4, 0xF4}, {{0x80, 0x8F}, {0x80, 0xBF}, {0x80, 0xBF}}},
};

bool inRange(unsigned char byte, ByteRange range) {
  return byte >= range.low && byte <= range.high;
}

// A model decoder written from the table: a well-formed sequence gives its code point,
// anything else one U+FFFD for the longest prefix that some row still allows.
// `wellFormed` tells whether nothing had to be replaced.
std::u32string modelDecode(std::string_view bytes, bool* wellFormed = nullptr) {
  std::u32string out;
  if (wellFormed != nullptr) *wellFormed = true;
  auto replace = [&] {
    out.push_back(0xFFFD);
    if (wellFormed != nullptr) *wellFormed = false;
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    const WellFormedRow* row = nullptr;
    for (const auto& candidate : kWellFormed) {
      if (inRange(lead, candidate.lead)) row = &candidate;
    }
    if (row == nullptr) {
      replace();
      ++i;
      continue;
    }
    std::size_t matched = 1;
    while (
        matched <= row->next.size() && i + matched < bytes.size() &&
        inRange(static_cast<unsigned char>(bytes[i + matched]), row->next[matched - 1])) {
      ++matched;
    }
    if (matched < row->next.size() + 1) {
      replace();
      i += matched;
      continue;
    }
    char32_t cp = row->next.empty() ? lead : lead & (0x3F >> row->next.size());
    for (std::size_t k = 1; k < matched; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    }
    out.push_back(cp);
    i += matched;
  }
  return out;
}

bool modelValid(std::string_view bytes) {
  bool wellFormed = false;
  modelDecode(bytes, &wellFormed);
  return wellFormed;
}

struct WellFormedCase {
  std::u32string codePoints;
  std::string bytes;
};

TEST(Utf8, EncodesAndDecodesEachSequenceLength) {
  const std::vector<WellFormedCase> cases = {
      {U"", ""},
      {U"abc", "abc"},
      {std::u32string(1, U'\0'), bytesOf("\0")},
      {U"\u007F", "\x7F"},
      {U"\u0080", "\xC2\x80"},
      {U"\u07FF", "\xDF\xBF"},
      {U"\u0800", "\xE0\xA0\x80"},
      {U"変換", "\xE5\xA4\x89\xE6\x8F\x9B"},
      {U"\uD7FF", "\xED\x9F\xBF"},
      {U"\uE000", "\xEE\x80\x80"},
      {U"\uFEFF", "\xEF\xBB\xBF"},
      {U"\uFFFD", "\xEF\xBF\xBD"},
      {U"\uFFFF", "\xEF\xBF\xBF"},
      {U"\U00010000", "\xF0\x90\x80\x80"},
      {U"\U0001F600", "\xF0\x9F\x98\x80"},
      {U"\U00020B9F", "\xF0\xA0\xAE\x9F"},
      {U"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
      {U"a変\U0001F600b",
       "a\xE5\xA4\x89\xF0\x9F\x98\x80"
       "b"},
  };
  for (const auto& c : cases) {
    std::wstring wide = wideFrom(c.codePoints);
    EXPECT_EQ(encodeUtf8Strict(wide), std::optional<std::string>(c.bytes)) << c.bytes;
    EXPECT_EQ(encodeUtf8Lenient(wide), c.bytes);
    EXPECT_EQ(decodeUtf8(c.bytes), wide) << c.bytes;
    EXPECT_TRUE(isValidUtf8(c.bytes)) << c.bytes;
    std::string sanitized = "left over";
    EXPECT_TRUE(sanitizeUtf8(c.bytes, sanitized)) << c.bytes;
    EXPECT_EQ(sanitized, c.bytes);
  }
}

TEST(Utf8, CharactersBeyondTheBmpTakeThePlatformsWideForm) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  std::wstring expected;
  if constexpr (sizeof(wchar_t) == 2) {
    expected = unitsOf(std::u32string{0xD83D, 0xDE00});
  } else {
    expected = unitsOf(std::u32string{0x1F600});
  }
  EXPECT_EQ(decodeUtf8(emoji), expected);
  EXPECT_EQ(encodeUtf8Strict(expected), std::optional<std::string>(emoji));
}

TEST(Utf8, RoundTripsEveryScalarValue) {
  std::u32string all;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp < 0xD800 || cp > 0xDFFF) all.push_back(cp);
  }
  std::wstring wide = wideFrom(all);
  auto bytes = encodeUtf8Strict(wide);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(),
            0x80u * 1 + 0x780u * 2 + (0x10000u - 0x800u - 0x800u) * 3 + 0x100000u * 4);
  EXPECT_TRUE(isValidUtf8(*bytes));
  EXPECT_TRUE(decodeUtf8(*bytes) == wide);
}

struct RefusedCase {
  std::u32string units;  // raw wide units
  std::string lenient;
};

void expectRefused(const std::vector<RefusedCase>& cases) {
  for (const auto& c : cases) {
    std::wstring wide = unitsOf(c.units);
    EXPECT_EQ(encodeUtf8Strict(wide), std::nullopt) << c.lenient;
    EXPECT_EQ(encodeUtf8Lenient(wide), c.lenient);
  }
}

TEST(Utf8, StrictEncodingRefusesLoneSurrogates) {
  const std::string fffd = kReplacementUtf8;
  expectRefused({
      {{0xD800}, fffd},
      {{0xDBFF}, fffd},
      {{0xDC00}, fffd},
      {{0xDFFF}, fffd},
      {{U'a', 0xD83D}, "a" + fffd},
      {{0xD83D, U'b'}, fffd + "b"},
      {{0xDE00, 0xD83D}, fffd + fffd},
      {{U'x', 0xDC00, U'y'}, "x" + fffd + "y"},
  });
}

TEST(Utf8, SurrogatePairsDependOnTheWidthOfWchar) {
  const std::string fffd = kReplacementUtf8;
  if constexpr (sizeof(wchar_t) == 2) {
    // The first high surrogate has no partner; the second pairs up.
    EXPECT_EQ(encodeUtf8Lenient(unitsOf(std::u32string{0xD800, 0xD800, 0xDC00})),
              fffd + "\xF0\x90\x80\x80");
    EXPECT_EQ(encodeUtf8Strict(unitsOf(std::u32string{0xDBFF, 0xDFFF})),
              std::optional<std::string>("\xF4\x8F\xBF\xBF"));
  } else {
    // Four-byte wchar_t holds code points: surrogate code points are never characters,
    // paired or not, and nothing lies beyond U+10FFFF.
    expectRefused({
        {{0xD83D, 0xDE00}, fffd + fffd},
        {{0x110000}, fffd},
        {{U'a', 0x7FFFFFFF, U'b'}, "a" + fffd + "b"},
        {{0xFFFFFFFF}, fffd},
    });
  }
}

// Encoding writes into room reserved for the longest result: random texts of
// characters of every length, lone surrogates and pairs must come out as the sum of
// their parts, appended after what the string held.
TEST(Utf8, EncodesRandomTextsAsTheSumOfTheirCharacters) {
  struct Piece {
    std::wstring wide;
    std::string utf8;
    bool valid;
  };
  const Piece pieces[] = {
      {L"a", "a", true},
      {L"/", "/", true},
      {unitsOf(U"\x7F"), "\x7F", true},
      {unitsOf(U"\xE9"), "\xC3\xA9", true},
      {unitsOf(U"\x5909"), "\xE5\xA4\x89", true},
      {unitsOf(U"\xFF71"), "\xEF\xBD\xB1", true},
      {unitsOf(U"\xFFFD"), kReplacementUtf8, true},
      {wideFrom(U"\U0001F600"), "\xF0\x9F\x98\x80", true},
      {unitsOf(std::u32string{0xDC00}), kReplacementUtf8, false},
      {unitsOf(std::u32string{0xD83D, U'a'}), kReplacementUtf8 + "a", false},
  };
  std::mt19937 random(8);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  for (std::size_t count = 0; count <= 40; ++count) {
    for (int round = 0; round < 100; ++round) {
      std::wstring wide;
      std::string expected = "kept";
      bool valid = true;
      for (std::size_t k = 0; k < count; ++k) {
        const Piece& piece = pieces[pick(random)];
        wide += piece.wide;
        expected += piece.utf8;
        valid = valid && piece.valid;
      }
      std::string out = "kept";
      appendUtf8Lenient(wide, out);
      ASSERT_EQ(out, expected);
      const auto strict = encodeUtf8Strict(wide);
      ASSERT_EQ(strict.has_value(), valid);
      if (valid) {
        ASSERT_EQ("kept" + *strict, expected);
      }
    }
  }
  // Nothing but the longest forms: all the room is used.
  std::wstring emoji;
  std::string expected;
  for (int k = 0; k < 40; ++k) {
    emoji += pieces[7].wide;
    expected += pieces[7].utf8;
  }
  EXPECT_EQ(encodeUtf8Lenient(emoji), expected);
}

struct IllFormedCase {
  std::string bytes;
  std::u32string decoded;
};

TEST(Utf8, EachMaximalInvalidSubpartBecomesOneReplacement) {
  const std::vector<IllFormedCase> cases = {
      // The worked example of the Unicode standard.
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       U"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
      // Overlong forms: the lead byte already rules them out, or the second byte does.
      {"\xC0\xAF", U"\uFFFD\uFFFD"},
      {"\xC1\xBF", U"\uFFFD\uFFFD"},
      {"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
      {"\xE0\x9F\xBF", U"\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x80\x80\xAF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      // Surrogates and what lies beyond U+10FFFF.
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xBF\xBF", U"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\xBD\xED\xB8\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF5\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF8\x88\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFE\xFF", U"\uFFFD\uFFFD"},
      // Stray continuation bytes.
      {"\x80", U"\uFFFD"},
      {"a\xBF\x80z", U"a\uFFFD\uFFFDz"},
      // Sequences cut off at the end count once each, however far they got.
      {"\xC2", U"\uFFFD"},
      {"\xE5\xA4", U"\uFFFD"},
      {"a\xE5", U"a\uFFFD"},
      {"\xF0\x9F\x98", U"\uFFFD"},
      {"\xF4\x8F\xBF", U"\uFFFD"},
      // Cut off by the next character.
      {"\xE5\xA4"
       "a",
       U"\uFFFDa"},
      {"\xE1\x80\xE1\x80\x80", U"\uFFFD\u1000"},
      {"\xF0\x9F\x98\xF0\x9F\x98\x80", U"\uFFFD\U0001F600"},
      {"\xC2\xC2\x80", U"\uFFFD\u0080"},
      {std::string("\xE5\0\xA4", 3), std::u32string(U"\uFFFD") + U'\0' + U"\uFFFD"},
  };
  for (const auto& c : cases) {
    std::wstring expected = wideFrom(c.decoded);
    EXPECT_EQ(decodeUtf8(c.bytes), expected) << testing::PrintToString(c.bytes);
    EXPECT_EQ(modelDecode(c.bytes), c.decoded) << testing::PrintToString(c.bytes);
    EXPECT_FALSE(isValidUtf8(c.bytes)) << testing::PrintToString(c.bytes);
    std::string sanitized;
    EXPECT_FALSE(sanitizeUtf8(c.bytes, sanitized)) << testing::PrintToString(c.bytes);
    EXPECT_EQ(sanitized, encodeUtf8Lenient(expected));
  }
}

TEST(Utf8, ValidityFollowsTheTableOfWellFormedSequences) {
  for (unsigned a = 0; a < 0x100; ++a) {
    for (unsigned b = 0; b < 0x100; ++b) {
      std::string bytes{static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(isValidUtf8(bytes), modelValid(bytes)) << std::hex << a << ' ' << b;
    }
  }
  for (unsigned a = 0xE0; a <= 0xEF; ++a) {
    for (unsigned b = 0; b < 0x100; ++b) {
      for (unsigned c = 0; c < 0x100; ++c) {
        std::string bytes{static_cast<char>(a), static_cast<char>(b),
                          static_cast<char>(c)};
        ASSERT_EQ(isValidUtf8(bytes), modelValid(bytes))
            << std::hex << a << ' ' << b << ' ' << c;
      }
    }
  }
  const unsigned char edges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0};
  for (unsigned a = 0xEF; a <= 0xF5; ++a) {
    for (unsigned char b : edges) {
      for (unsigned char c : edges) {
        for (unsigned char d : edges) {
          std::string bytes{static_cast<char>(a), static_cast<char>(b),
                            static_cast<char>(c), static_cast<char>(d)};
          ASSERT_EQ(isValidUtf8(bytes), modelValid(bytes))
              << std::hex << a << ' ' << +b << ' ' << +c << ' ' << +d;
          ASSERT_EQ(decodeUtf8(bytes), wideFrom(modelDecode(bytes)))
              << std::hex << a << ' ' << +b << ' ' << +c << ' ' << +d;
        }
      }
    }
  }
}

// Validation tests ASCII eight bytes at a time: a bad byte must be seen wherever it
// falls within or after such a run, and between multi-byte characters.
TEST(Utf8, ValidationFindsABadByteAtEveryOffset) {
  const std::string text =
      "[bg storage=\"room.jpg\"]\xE5\xA4\x89\xE6\x8F\x9B\xC3\xA9 "
      "\xF0\x9F\x98\x80\xE0\xA0\x80\xED\x9F\xBF x.png";
  ASSERT_TRUE(isValidUtf8(text));
  const char bad[] = {'\x80', '\xC0', '\xE5', '\xED', '\xF5', '\xFF'};
  for (std::size_t at = 0; at <= text.size(); ++at) {
    ASSERT_TRUE(isValidUtf8(text.substr(0, at)) == modelValid(text.substr(0, at))) << at;
    for (char byte : bad) {
      std::string inserted = text;
      inserted.insert(at, 1, byte);
      ASSERT_EQ(isValidUtf8(inserted), modelValid(inserted)) << at << ' ' << +byte;
      std::string replaced = text;
      if (at < text.size()) replaced[at] = byte;
      ASSERT_EQ(isValidUtf8(replaced), modelValid(replaced)) << at << ' ' << +byte;
    }
  }
}

// Japanese text is validated two three-byte characters at a time: a bad byte, and
// a lead byte that narrows the range of its second byte, must be told apart
// wherever they fall in such a run and at its end.
TEST(Utf8, ValidationFindsABadByteInRunsOfJapanese) {
  const std::string kana = "\xE3\x81\x82\xE3\x83\xB3\xE4\xB8\x80\xE9\xBE\xA0";
  const std::string edges = "\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBD\xE1\x80\x80";
  const std::string text = kana + edges + kana + "\xE3\x80\x82" + kana;
  ASSERT_TRUE(isValidUtf8(text));
  const char bad[] = {'\x7F', '\x80', '\xA0', '\xC0', '\xE0', '\xED', '\xF5'};
  for (std::size_t at = 0; at <= text.size(); ++at) {
    ASSERT_EQ(isValidUtf8(text.substr(at)), modelValid(text.substr(at))) << at;
    ASSERT_EQ(isValidUtf8(text.substr(0, at)), modelValid(text.substr(0, at))) << at;
    for (char byte : bad) {
      std::string replaced = text;
      if (at < text.size()) replaced[at] = byte;
      ASSERT_EQ(isValidUtf8(replaced), modelValid(replaced)) << at << ' ' << +byte;
      std::string inserted = text;
      inserted.insert(at, 1, byte);
      ASSERT_EQ(isValidUtf8(inserted), modelValid(inserted)) << at << ' ' << +byte;
    }
  }
  // Lead bytes whose second byte must lie in a narrower range, inside a run.
  for (const char* narrow : {"\xE0\x9F\xBF", "\xED\xA0\x80"}) {
    EXPECT_FALSE(isValidUtf8(kana + narrow + kana)) << testing::PrintToString(narrow);
  }
}

// Random byte strings, weighted towards the bytes where UTF-8 has its boundaries.
TEST(Utf8, DecodingSanitizingAndValidatingAgreeOnRandomBytes) {
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                       0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED,
                                       0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  std::mt19937 random(20250805);
  std::uniform_int_distribution<int> length(0, 16);
  std::uniform_int_distribution<int> anyByte(0, 255);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(interesting) - 1);
  int valid = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    for (int n = length(random); n > 0; --n) {
      bytes.push_back(
          static_cast<char>(random() % 2 ? interesting[pick(random)] : anyByte(random)));
    }
    const std::string shown = testing::PrintToString(bytes);
    std::wstring decoded = decodeUtf8(bytes);
    ASSERT_EQ(decoded, wideFrom(modelDecode(bytes))) << shown;
    std::string sanitized;
    bool clean = sanitizeUtf8(bytes, sanitized);
    ASSERT_EQ(sanitized, encodeUtf8Lenient(decoded)) << shown;
    ASSERT_EQ(clean, isValidUtf8(bytes)) << shown;
    ASSERT_EQ(clean, sanitized == bytes) << shown;
    ASSERT_TRUE(isValidUtf8(sanitized)) << shown;
    ASSERT_EQ(encodeUtf8Strict(decoded), std::optional<std::string>(sanitized)) << shown;
    std::u32string stepped;
    std::u32string steppedAny;
    for (std::size_t i = 0; i < bytes.size();) {
      const Utf8Char character = decodeUtf8At(bytes, i);
      const Utf8Char any = decodeAnyUtf8At(bytes, i);
      ASSERT_GE(character.length, 1u) << shown;
      ASSERT_EQ(character.length, any.length) << shown;
      stepped.push_back(character.codePoint);
      steppedAny.push_back(any.codePoint);
      i += character.length;
    }
    ASSERT_EQ(stepped, modelDecode(bytes)) << shown;
    ASSERT_EQ(steppedAny, stepped) << shown;
    valid += clean;
  }
  // Both outcomes must have been exercised for the agreement to mean anything.
  EXPECT_GT(valid, 1000);
  EXPECT_LT(valid, 19000);
}

}  // namespace
