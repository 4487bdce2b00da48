#include "text/cp932.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/recorded_conversions.h"
#include "text/cp932_table_codec.h"
#include "text/utf8.h"

namespace {

TEST(Cp932, DecodesEveryRecordedInputAsWindowsDoes) {
  auto rows = readRecorded("cp932-decode.txt");
  ASSERT_EQ(rows.size(), 255u + 60u * 255u);
  for (const auto& row : rows) {
    std::wstring expected(1, static_cast<wchar_t>(std::stoi(row.value, nullptr, 16)));
    ASSERT_EQ(decodeCp932(bytesFromHex(row.key)), expected) << row.key;
  }
}

TEST(Cp932, EncodesEveryBmpCharacterAsWindowsDoes) {
  std::vector<std::string> expected(0x10000);
  for (const auto& row : readRecorded("cp932-encode.txt")) {
    expected[std::stoul(row.key, nullptr, 16)] = bytesFromHex(row.value);
  }
  for (unsigned cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::wstring text(1, static_cast<wchar_t>(cp));
    auto strict = encodeCp932Strict(text);
    if (expected[cp].empty()) {
      ASSERT_FALSE(strict.has_value()) << std::hex << cp;
      ASSERT_EQ(encodeCp932Lenient(text), "?") << std::hex << cp;
    } else {
      ASSERT_EQ(strict, expected[cp]) << std::hex << cp;
      ASSERT_EQ(encodeCp932Lenient(text), expected[cp]) << std::hex << cp;
    }
  }
}

TEST(Cp932, EveryDefinedPairRoundTrips) {
  for (const auto& row : readRecorded("cp932-decode.txt")) {
    if (row.key.size() != 4 || row.value == "30FB") continue;
    std::string bytes = bytesFromHex(row.key);
    std::wstring text = decodeCp932(bytes);
    auto back = encodeCp932Strict(text);
    ASSERT_TRUE(back.has_value()) << row.key;
    // Duplicated characters come back as Windows' preferred code, which decodes alike.
    ASSERT_EQ(decodeCp932(*back), text) << row.key;
  }
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::wstring expected;
};

TEST(Cp932, DecodesSequencesAroundZeroBytesAndEnds) {
  const DecodeCase cases[] = {
      {"plain kanji", "\x95\xcf\x8a\xb7", L"\u5909\u63db"},
      {"lead byte at the end", std::string("a\x81"), L"a\u30fb"},
      {"lead byte before zero", std::string("\x81\0b", 3), std::wstring(L"\u30fb\0b", 3)},
      {"zero byte kept", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"undefined pair consumed whole", "\x85\x40z", L"\u30fbz"},
      {"low trail consumed", "\x81\x01z", L"\u30fbz"},
      {"trail 5C is not a backslash", "\x95\x5c", L"\u8868"},
      {"user-defined area", "\xf0\x40\xf9\xfc", L"\ue000\ue757"},
      {"single-byte specials", "\x80\xa0\xfd\xfe\xff", L"\u0080\uf8f0\uf8f1\uf8f2\uf8f3"},
      {"half-width katakana", "\xa1\xdf", L"\uff61\uff9f"},
  };
  for (const auto& c : cases) EXPECT_EQ(decodeCp932(c.bytes), c.expected) << c.name;
}

TEST(Cp932, WindowsChoosesAmongDuplicateCodes) {
  EXPECT_EQ(encodeCp932Strict(L"\u7e8a"), "\xfa\x5c");
  EXPECT_EQ(encodeCp932Strict(L"\u2252"), "\x81\xe0");
  EXPECT_EQ(encodeCp932Strict(L"\uffe2"), "\x81\xca");
}

TEST(Cp932, LenientEncodingMarksEachMissingCharacterOnce) {
  EXPECT_FALSE(encodeCp932Strict(L"a\u00a5").has_value());
  EXPECT_EQ(encodeCp932Lenient(L"a\u00a5b"), "a?b");
  // A character beyond the BMP is one "?", whether it is one unit or a pair.
  std::wstring emoji =
      sizeof(wchar_t) == 2 ? std::wstring(L"\xd83d\xde00") : L"\U0001F600";
  EXPECT_EQ(encodeCp932Lenient(L"x" + emoji + L"y"), "x?y");
}

// What appendCp932AsUtf8 must give: the decoded text, encoded as UTF-8.
std::string viaWideText(std::string_view bytes) {
  return encodeUtf8Lenient(decodeCp932(bytes));
}

void expectAppendsAsUtf8(const std::string& bytes) {
  // A copy without the string's terminating zero, so that the sanitizer sees any
  // read past the end.
  const std::vector<char> exact(bytes.begin(), bytes.end());
  std::string out = "kept";
  appendCp932AsUtf8(std::string_view(exact.data(), exact.size()), out);
  ASSERT_EQ(out, "kept" + viaWideText(bytes)) << testing::PrintToString(bytes);
}

TEST(Cp932, AppendsTheUtf8FormOfEveryCharacter) {
  for (int byte = 0; byte < 0x100; ++byte) {
    expectAppendsAsUtf8(std::string(1, static_cast<char>(byte)));
    for (int trail = 0; trail < 0x100; ++trail) {
      expectAppendsAsUtf8({static_cast<char>(byte), static_cast<char>(trail)});
    }
  }
  const std::string cases[] = {
      "",
      "\x95\xcf\x8a\xb7 plain",
      std::string("\x81\0b", 3),
      "ends in a lead byte \x95",
      "\xa1\xdf\x80\xa0\xfd\xfe\xff",
  };
  for (const auto& bytes : cases) expectAppendsAsUtf8(bytes);
}

// The conversion copies ASCII eight bytes at a time and works through slices of the
// input: characters must come out whole wherever these steps fall.
TEST(Cp932, AppendsLongTextAsUtf8WhateverTheAlignment) {
  const std::string pieces[] = {"a",    "abcdefgh",           "\x95\xcf", "\xb1", "\x81",
                                "\x80", std::string(1, '\0'), "[DEBUG] ", "\r\n"};
  std::mt19937 random(932);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  for (int round = 0; round < 40; ++round) {
    std::string bytes;
    while (bytes.size() < 20000) bytes += pieces[pick(random)];
    expectAppendsAsUtf8(bytes);
  }
  for (std::size_t pad = 4080; pad < 4104; ++pad) {
    expectAppendsAsUtf8(std::string(pad, 'x') + "\x95\xcf\x8a\xb7\xb1" +
                        std::string(pad, 'y'));
  }
}

// Runs of ASCII and of pairs are converted by loops of their own, with the last
// bytes of the text handled apart: random short texts drawn from bytes that end runs,
// pair oddly or stand alone must come out as decoding and encoding give them.
TEST(Cp932, AppendsRandomShortTextAsUtf8LikeTheWideRoute) {
  struct Alphabet {
    const char* name;
    std::string bytes;
  };
  const Alphabet alphabets[] = {
      {"ascii and kanji", "ab \x95\xcf\x8a\xb7"},
      {"lead bytes and zeros", std::string("\x81\x9f\xe0\xfc\0a", 6)},
      {"single bytes", "\x80\xa0\xa1\xdf\xfd\xfe\xff"},
      {"long ascii runs", "abcdefghijklmnopqrstu\x81\x95\xcf"},
      {"every kind", std::string("a\0\x81\x40\x7f\x80\x95\xa1\xe0\xfc\xfd\xff", 12)},
  };
  std::mt19937 random(932);
  for (const auto& alphabet : alphabets) {
    SCOPED_TRACE(alphabet.name);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.bytes.size() - 1);
    for (std::size_t length = 0; length <= 40; ++length) {
      for (int round = 0; round < 200; ++round) {
        std::string bytes;
        while (bytes.size() < length) bytes += alphabet.bytes[pick(random)];
        expectAppendsAsUtf8(bytes);
      }
    }
  }
}

TEST(Cp932, AppendsTheLenientEncodingAfterWhatIsThere) {
  std::string out = "kept";
  appendCp932Lenient(L"a\u5909\u00a5", out);
  EXPECT_EQ(out, "kept" + std::string("a\x95\xcf?"));
  appendCp932Lenient(L"", out);
  EXPECT_EQ(out, "kepta\x95\xcf?");
}

struct Utf8Case {
  std::string utf8;
  std::string cp932;
};

TEST(Cp932, AppendsUtf8TextAsCp932WithAQuestionMarkForWhatItLacks) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  const Utf8Case cases[] = {
      {"", ""},
      {"[bg storage=a]", "[bg storage=a]"},
      {"\xE5\xA4\x89\xE6\x8F\x9B", "\x95\xCF\x8A\xB7"},  // 変換
      {"\xEF\xBD\xB1\xC2\xA7", "\xB1\x81\x98"},          // half-width ｱ, §
      {"abcdefghi\xE5\xA4\x89jklmnopqrstuvw", "abcdefghi\x95\xCFjklmnopqrstuvw"},
      {std::string(1, '\0') + "a.png", std::string(1, '\0') + "a.png"},
      // Characters without a code: yen sign, Hangul, one "?" for each emoji.
      {"\xC2\xA5\xED\x95\x9C", "??"},
      {"a" + emoji + emoji + "z", "a??z"},
      // Invalid UTF-8: each maximal invalid subpart is one "?".
      {"a\xFF\xFEz", "a??z"},
      {"\xE5\xA4x", "?x"},
      {"\xED\xA0\x80", "???"},  // an encoded surrogate
      {"\xC0\xAF", "??"},       // an overlong "/"
      // A character cut where the text ends.
      {"\xE5\xA4\x89\xE6\x8F", "\x95\xCF?"},
      {"\xE5", "?"},
      {"x\xF0\x9F\x98", "x?"},
  };
  for (const auto& c : cases) {
    std::string out = "kept";
    appendUtf8AsCp932Lenient(c.utf8, out);
    EXPECT_EQ(out, "kept" + c.cp932) << testing::PrintToString(c.utf8);
    EXPECT_EQ(out, "kept" + encodeCp932Lenient(decodeUtf8(c.utf8)))
        << testing::PrintToString(c.utf8);
  }
}

// ASCII is copied in words, the last ones read from the end of the text: random short
// texts of well-formed, cut and invalid sequences must come out as the wide-text
// route gives them, read from an exact-size copy so the sanitizer sees any overrun.
TEST(Cp932, AppendsRandomShortUtf8LikeTheWideRoute) {
  const std::string pieces[] = {
      "a",        "[bg ",     "\xE5\xA4\x89",      "\xEF\xBD\xB1",
      "\xC2\xA7", "\xC2\xA5", "\xF0\x9F\x98\x80",  "\xE5",
      "\x80",     "\xFF",     std::string(1, '\0')};
  std::mt19937 random(65001);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  for (std::size_t length = 0; length <= 40; ++length) {
    for (int round = 0; round < 300; ++round) {
      std::string utf8;
      while (utf8.size() < length) utf8 += pieces[pick(random)];
      utf8.resize(length);  // may cut the last sequence
      const std::vector<char> exact(utf8.begin(), utf8.end());
      std::string out = "kept";
      appendUtf8AsCp932Lenient(std::string_view(exact.data(), exact.size()), out);
      ASSERT_EQ(out, "kept" + encodeCp932Lenient(decodeUtf8(utf8)))
          << testing::PrintToString(utf8);
    }
  }
}

// ASCII is copied several bytes at a time: every character must come out as the
// wide-text route gives it, whatever the alignment.
TEST(Cp932, AppendsEveryBmpCharacterFromUtf8AsFromWideText) {
  std::string every;
  std::wstring wEvery;
  for (unsigned cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::wstring wide(1, static_cast<wchar_t>(cp));
    const std::string utf8 = encodeUtf8Lenient(wide);
    std::string out;
    appendUtf8AsCp932Lenient(utf8, out);
    ASSERT_EQ(out, encodeCp932Lenient(wide)) << std::hex << cp;
    every += utf8;
    wEvery += wide;
    if (cp % 7 == 0) {
      every += "abcdefghij";
      wEvery += L"abcdefghij";
    }
  }
  std::string out;
  appendUtf8AsCp932Lenient(every, out);
  EXPECT_EQ(out, encodeCp932Lenient(wEvery));
}

}  // namespace
