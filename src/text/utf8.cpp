#include "text/utf8.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

void appendWide(std::wstring& out, char32_t cp) {
  if (kWideIsUtf16 && cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

// Writes the UTF-8 form of `cp` (at most U+10FFFF) at `next` and returns the
// position after it.
char* putUtf8(char* next, char32_t cp) {
  if (cp < 0x80) {
    *next++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *next++ = static_cast<char>(0xC0 | (cp >> 6));
    *next++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *next++ = static_cast<char>(0xE0 | (cp >> 12));
    *next++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *next++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *next++ = static_cast<char>(0xF0 | (cp >> 18));
    *next++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *next++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *next++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return next;
}

// Appends the encoding of `text`; an unencodable character ends it (returns false)
// when `strict`, otherwise becomes U+FFFD. Written through a pointer into room for
// the longest result, as every reference's native path comes this way: three bytes
// a unit where wide text is UTF-16 (a pair takes four for two units), four where it
// is UTF-32.
bool encode(std::wstring_view text, bool strict, std::string& out) {
  constexpr std::size_t kMostBytesPerUnit = kWideIsUtf16 ? 3 : 4;
  const std::size_t kept = out.size();
  out.resize(kept + text.size() * kMostBytesPerUnit);
  char* next = out.data() + kept;
  bool complete = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto cp = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (cp < 0x80) {
      *next++ = static_cast<char>(cp);
      continue;
    }
    if (kWideIsUtf16 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      auto low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        next = putUtf8(next, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      if (strict) {
        complete = false;
        break;
      }
      cp = kReplacement;
    }
    next = putUtf8(next, cp);
  }
  out.resize(static_cast<std::size_t>(next - out.data()));
  return complete;
}

// Length of the well-formed sequence at bytes[i], or, when it is ill-formed, the
// negated length of its maximal subpart (at least 1): the longest prefix that could
// still begin a well-formed sequence (Unicode, "U+FFFD substitution of maximal
// subparts").
int sequenceAt(std::string_view bytes, std::size_t i, char32_t& cp) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  unsigned char lead = byte(i);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  int length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return -1;
  }
  cp = lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if (i + k >= bytes.size()) return -k;
    unsigned char next = byte(i + k);
    unsigned char min = k == 1 ? low : 0x80;
    unsigned char max = k == 1 ? high : 0xBF;
    if (next < min || next > max) return -k;
    cp = (cp << 6) | (next & 0x3F);
  }
  return length;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The first position at or after `i` that is not plain ASCII. Markup and names are
// ASCII: eight bytes are tested at a time while none has its high bit set.
std::size_t skipAscii(std::string_view bytes, std::size_t i) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080;
  while (bytes.size() - i >= 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if ((word & kHighBits) != 0) break;
    i += 8;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

// Length of the well-formed sequence at bytes[i], or 0 when it is ill-formed. The
// common ones are tested inline: three bytes led by E1-EC or EE-EF (kana and most
// kanji) and two bytes led by C2-DF, whose continuation bytes may be any of 80-BF.
// Lead bytes that narrow the range of the second byte go through sequenceAt.
std::size_t validLengthAt(std::string_view bytes, std::size_t i) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  const std::size_t left = bytes.size() - i;
  auto continues = [&](std::size_t k) {
    return isContinuation(static_cast<unsigned char>(bytes[i + k]));
  };
  if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED) {
    return left >= 3 && continues(1) && continues(2) ? 3 : 0;
  }
  if (lead >= 0xC2 && lead <= 0xDF) return left >= 2 && continues(1) ? 2 : 0;
  char32_t cp = 0;
  const int length = sequenceAt(bytes, i, cp);
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

// How many bytes from bytes[i] on are pairs of three-byte sequences led by E1-EC or
// EE-EF, the kana and most kanji of Japanese text: a pair is tested in one step, on
// a word of eight bytes read in little-endian order (other machines take none).
// The lead bytes that narrow the range of the second byte are left to the caller.
std::size_t commonThreeByteRun(std::string_view bytes, std::size_t i) {
  if constexpr (std::endian::native != std::endian::little) return 0;
  // Each lead 1110xxxx and its continuation bytes 10xxxxxx; the last two bytes of the
  // word are not looked at.
  constexpr std::uint64_t kMask = 0x0000C0C0F0C0C0F0;
  constexpr std::uint64_t kForm = 0x00008080E08080E0;
  constexpr unsigned kCommonLeads = 0xDFFE;  // bit n set: En is such a lead byte
  const std::size_t start = i;
  while (bytes.size() - i >= 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if ((word & kMask) != kForm) break;
    const unsigned first = static_cast<unsigned>(word & 0x0F);
    const unsigned second = static_cast<unsigned>((word >> 24) & 0x0F);
    if (((kCommonLeads >> first) & (kCommonLeads >> second) & 1) == 0) break;
    i += 6;
  }
  return i - start;
}

}  // namespace

std::optional<std::string> encodeUtf8Strict(std::wstring_view text) {
  std::string out;
  if (!encode(text, true, out)) return std::nullopt;
  return out;
}

std::string encodeUtf8Lenient(std::wstring_view text) {
  std::string out;
  encode(text, false, out);
  return out;
}

void appendUtf8Lenient(std::wstring_view text, std::string& out) {
  encode(text, false, out);
}

std::wstring decodeUtf8(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    int length = sequenceAt(bytes, i, cp);
    if (length < 0) {
      appendWide(out, kReplacement);
      i += static_cast<std::size_t>(-length);
    } else {
      appendWide(out, cp);
      i += static_cast<std::size_t>(length);
    }
  }
  return out;
}

Utf8Char decodeAnyUtf8At(std::string_view bytes, std::size_t at) {
  char32_t cp = 0;
  const int length = sequenceAt(bytes, at, cp);
  if (length < 0) return {kReplacement, static_cast<std::size_t>(-length)};
  return {cp, static_cast<std::size_t>(length)};
}

bool isAscii(std::string_view bytes) { return skipAscii(bytes, 0) == bytes.size(); }

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      i = skipAscii(bytes, i + 1);
      continue;
    }
    const std::size_t run = commonThreeByteRun(bytes, i);
    if (run > 0) {
      i += run;
      continue;
    }
    const std::size_t length = validLengthAt(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool sanitizeUtf8(std::string_view bytes, std::string& out) {
  out.clear();
  bool valid = true;
  std::size_t copied = 0;  // bytes[0, copied) are already in `out`
  for (std::size_t i = skipAscii(bytes, 0); i < bytes.size(); i = skipAscii(bytes, i)) {
    char32_t cp = 0;
    int length = sequenceAt(bytes, i, cp);
    if (length > 0) {
      i += static_cast<std::size_t>(length);
      continue;
    }
    valid = false;
    out.append(bytes.substr(copied, i - copied));
    out.append("\xEF\xBF\xBD");
    i += static_cast<std::size_t>(-length);
    copied = i;
  }
  out.append(bytes.substr(copied));
  return valid;
}

std::string sanitizedUtf8(std::string_view bytes) {
  std::string utf8;
  sanitizeUtf8(bytes, utf8);
  return utf8;
}

bool appendUtf16AsUtf8(std::string_view bytes, bool bigEndian, std::string& out) {
  const auto unitAt = [&](std::size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  const std::size_t units = bytes.size() / 2;
  const std::size_t kept = out.size();
  out.resize(kept + units * 3 + 3);  // a pair takes four bytes for two units
  char* next = out.data() + kept;
  bool valid = bytes.size() % 2 == 0;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t cp = unitAt(2 * i);
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      const char32_t low = i + 1 < units ? unitAt(2 * i + 2) : 0;
      if (cp <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        cp = kReplacement;
        valid = false;
      }
    }
    next = putUtf8(next, cp);
  }
  if (bytes.size() % 2 != 0) next = putUtf8(next, kReplacement);
  out.resize(static_cast<std::size_t>(next - out.data()));
  return valid;
}

std::size_t utf16Length(std::string_view bytes) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const Utf8Char c = decodeUtf8At(bytes, at);
    units += c.codePoint > 0xFFFF ? 2 : 1;
    at += c.length;
  }
  return units;
}

void appendUtf8(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, putUtf8(bytes, c));
}
