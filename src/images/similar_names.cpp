#include "images/similar_names.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "text/utf8.h"

// The stems of the kept image files, folded, for the searches. A query compares with
// stems of its own kind of file and of lengths near its own; the stems of one
// numbered series and length share a layout, which rules them in or out together.
struct SimilarNames {
  enum Kind : std::uint8_t { kPng, kJpg, kOtherImage, kKinds };
  // Stands in a layout for any digit (no name holds the character U+0000).
  static constexpr char32_t kAnyDigit = 0;
  struct Stem {
    std::uint32_t start;  // in `units`
    std::uint32_t file;   // offset in ImageIndex::files
  };
  // Stems of one length that differ only in their digits, with each digit standing
  // for any digit (a stem without digits is a layout of its own).
  struct Layout {
    std::uint32_t start;               // in `units`
    std::uint32_t firstStem, endStem;  // its stems in Shelf::stems
    std::uint32_t skeleton;            // hash of its characters but the digits
    bool hasDigits;
  };
  // The stems of one kind sorted by length in characters, then layout, then their
  // characters, then walk order; the layouts in the same order, those of length n
  // from layouts[byLength[n]] to layouts[byLength[n + 1]].
  struct Shelf {
    std::vector<Stem> stems;
    std::vector<Layout> layouts;
    std::vector<std::uint32_t> byLength;
  };
  std::u32string units;  // the stems and layouts, one after another
  std::array<Shelf, kKinds> shelves;
};

namespace {

using Kind = SimilarNames::Kind;

constexpr std::size_t kMost = 3;

char32_t foldAscii(char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// The characters of a native name, ASCII letters folded.
std::u32string foldedCharacters(ImageIndex::NameView name) {
  std::u32string out;
  if constexpr (sizeof(ImageIndex::NameView::value_type) == 1) {
    const std::string_view bytes(reinterpret_cast<const char*>(name.data()), name.size());
    for (std::size_t i = 0; i < bytes.size();) {
      const Utf8Char c = decodeUtf8At(bytes, i);
      out.push_back(foldAscii(c.codePoint));
      i += c.length;
    }
  } else {
    for (std::size_t i = 0; i < name.size(); ++i) {
      char32_t c = static_cast<char16_t>(name[i]);
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size()) {
        const char32_t low = static_cast<char16_t>(name[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
      out.push_back(foldAscii(c));
    }
  }
  return out;
}

// Appends a native name as UTF-8 with ASCII letters folded (and U+FFFD for what
// forms no character). Folding first changes nothing else: no other unit is an
// ASCII letter, or part of a character.
void appendFoldedUtf8(ImageIndex::NameView name, std::string& out) {
  const ImageIndex::Name folded = foldAsciiCase(ImageIndex::Name(name));
  if constexpr (sizeof(ImageIndex::Name::value_type) == 1) {
    const std::string_view bytes(reinterpret_cast<const char*>(folded.data()),
                                 folded.size());
    // Names are nearly always UTF-8 already.
    if (isValidUtf8(bytes)) {
      out += bytes;
    } else {
      appendUtf8Lenient(decodeUtf8(bytes), out);
    }
  } else {
    appendUtf8Lenient(std::wstring(folded.begin(), folded.end()), out);
  }
}

// The extensions besides png and jpg that a reference without one may load.
constexpr std::string_view kOtherImageExtensions[] = {
    "jpeg", "gif", "webp", "bmp", "svg", "tlg6", "tlg5", "tlg", "eri", "jif", "dib"};

struct KindAndStem {
  Kind kind;
  std::size_t stemLength;  // in the units of the text asked about
};

// What a folded name's last extension makes it, and where its stem ends; nullopt
// for a name that is no image.
template <typename Text>
std::optional<KindAndStem> kindOf(const Text& folded) {
  const std::size_t dot = folded.rfind('.');
  if (dot == Text::npos) return std::nullopt;
  const auto is = [&](std::string_view extension) {
    return folded.size() - dot - 1 == extension.size() &&
           std::equal(extension.begin(), extension.end(), folded.begin() + dot + 1,
                      [](char a, auto b) { return static_cast<unsigned char>(a) == b; });
  };
  if (is("png")) return KindAndStem{Kind::kPng, dot};
  if (is("jpg")) return KindAndStem{Kind::kJpg, dot};
  for (const std::string_view extension : kOtherImageExtensions) {
    if (is(extension)) return KindAndStem{Kind::kOtherImage, dot};
  }
  return std::nullopt;
}

bool isDigit(char32_t c) { return c >= '0' && c <= '9'; }

std::u32string withoutDigits(std::u32string_view text) {
  std::u32string out;
  for (char32_t c : text) {
    if (!isDigit(c)) out.push_back(c);
  }
  return out;
}

bool isDigitOrAny(char32_t c) { return isDigit(c) || c == SimilarNames::kAnyDigit; }

// FNV-1a of the characters of `text` that are not digits: equal for the stems of
// one numbered series, and for their layouts.
std::uint32_t skeletonOf(std::u32string_view text) {
  std::uint32_t hash = 2166136261u;
  for (char32_t c : text) {
    if (!isDigitOrAny(c)) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
  }
  return hash;
}

int distanceLimit(std::size_t stemLength) {
  return stemLength <= 4 ? 1 : stemLength <= 9 ? 2 : 3;
}

// Shorter stems get no typos: nearly every name that short is a typo of another.
constexpr std::size_t kShortestStemWithTypos = 3;

bool suggestionsSwitchedOff() {
  // For measuring what suggestions cost a run; no user needs it.
  static const bool off = [] {
    const char* value = std::getenv("KIC_SUGGESTIONS");
    return value != nullptr && std::string_view(value) == "0";
  }();
  return off;
}

// ---- The table

// Eight bytes of `bytes` from `from` as a number that orders like them (zeros after
// a shorter text), read as they are or with digits as zero bytes.
template <bool kDigitsAsZero>
std::uint64_t orderKeyOf(std::string_view bytes, std::size_t from) {
  std::uint64_t key = 0;
  for (std::size_t i = from; i < from + 8; ++i) {
    unsigned c = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
    if (kDigitsAsZero && c >= '0' && c <= '9') c = 0;
    key = (key << 8) | c;
  }
  return key;
}

// The order of `a` and `b` with digits read as zero bytes.
int compareLayouts(std::string_view a, std::string_view b) {
  const auto mapped = [](char c) -> unsigned char {
    return c >= '0' && c <= '9' ? 0 : static_cast<unsigned char>(c);
  };
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (mapped(a[i]) != mapped(b[i])) return mapped(a[i]) < mapped(b[i]) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

struct PendingStem {
  std::uint32_t length;  // in characters
  std::uint32_t start;   // in the UTF-8 text
  std::uint32_t bytes;
  std::uint32_t file;
};

// `stems` sorted by length, then layout (digits read as zero bytes, which sorts them
// first as kAnyDigit does among characters), then UTF-8 bytes (which is the order of
// their characters), then walk order. Comparing bytes costs far less than comparing
// characters, and comparing the first sixteen as numbers settles nearly every
// comparison without reading the text.
void sortStems(std::vector<PendingStem>& stems, const std::string& utf8) {
  constexpr std::size_t kKeyBytes = 16;
  struct Keyed {
    std::uint64_t layout[2], bytes[2];
    PendingStem stem;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(stems.size());
  for (const auto& stem : stems) {
    const std::string_view bytes(utf8.data() + stem.start, stem.bytes);
    keyed.push_back({{orderKeyOf<true>(bytes, 0), orderKeyOf<true>(bytes, 8)},
                     {orderKeyOf<false>(bytes, 0), orderKeyOf<false>(bytes, 8)},
                     stem});
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.stem.length != b.stem.length) return a.stem.length < b.stem.length;
    if (a.layout[0] != b.layout[0]) return a.layout[0] < b.layout[0];
    if (a.layout[1] != b.layout[1]) return a.layout[1] < b.layout[1];
    if (a.stem.bytes > kKeyBytes || b.stem.bytes > kKeyBytes) {
      const std::string_view x(utf8.data() + a.stem.start, a.stem.bytes);
      const std::string_view y(utf8.data() + b.stem.start, b.stem.bytes);
      const int order = compareLayouts(x.substr(std::min(kKeyBytes, x.size())),
                                       y.substr(std::min(kKeyBytes, y.size())));
      if (order != 0) return order < 0;
      if (a.bytes[0] != b.bytes[0]) return a.bytes[0] < b.bytes[0];
      if (a.bytes[1] != b.bytes[1]) return a.bytes[1] < b.bytes[1];
      const int rest = x.substr(std::min(kKeyBytes, x.size()))
                           .compare(y.substr(std::min(kKeyBytes, y.size())));
      if (rest != 0) return rest < 0;
    } else {
      if (a.bytes[0] != b.bytes[0]) return a.bytes[0] < b.bytes[0];
      if (a.bytes[1] != b.bytes[1]) return a.bytes[1] < b.bytes[1];
    }
    return a.stem.file < b.stem.file;
  });
  for (std::size_t i = 0; i < stems.size(); ++i) stems[i] = keyed[i].stem;
}

// Whether two texts of one length are alike but for their digits.
bool sameLayout(std::u32string_view a, std::u32string_view b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(isDigitOrAny(a[i]) && isDigitOrAny(b[i]))) return false;
  }
  return true;
}

// The sorted stems moved from UTF-8 bytes to characters in `units`, grouped in
// layouts.
SimilarNames::Shelf shelfOf(const std::vector<PendingStem>& stems,
                            const std::string& utf8, std::u32string& units) {
  SimilarNames::Shelf shelf;
  shelf.stems.reserve(stems.size());
  const std::size_t longest = stems.empty() ? 0 : stems.back().length;
  shelf.byLength.assign(longest + 2, 0);
  std::size_t lastLength = 0;
  for (const auto& pending : stems) {
    const std::string_view bytes(utf8.data() + pending.start, pending.bytes);
    const std::size_t start = units.size();
    units.resize(start + pending.length);
    char32_t* out = units.data() + start;
    bool hasDigits = false;
    for (std::size_t i = 0; i < bytes.size();) {
      const Utf8Char c = decodeUtf8At(bytes, i);
      *out++ = c.codePoint;
      hasDigits = hasDigits || isDigit(c.codePoint);
      i += c.length;
    }
    const std::u32string_view stem(units.data() + start, pending.length);
    const auto index = static_cast<std::uint32_t>(shelf.stems.size());
    shelf.stems.push_back({static_cast<std::uint32_t>(start), pending.file});
    // Sorted by layout, the stems of one layout follow each other.
    if (!shelf.layouts.empty() && lastLength == pending.length) {
      SimilarNames::Layout& last = shelf.layouts.back();
      if (sameLayout(std::u32string_view(units.data() + last.start, pending.length),
                     stem)) {
        last.endStem = index + 1;
        continue;
      }
    }
    lastLength = pending.length;
    auto layoutStart = static_cast<std::uint32_t>(start);
    if (hasDigits) {
      layoutStart = static_cast<std::uint32_t>(units.size());
      for (std::size_t i = 0; i < pending.length; ++i) {
        const char32_t c = units[start + i];
        units.push_back(isDigit(c) ? SimilarNames::kAnyDigit : c);
      }
    }
    shelf.layouts.push_back(
        {layoutStart, index, index + 1,
         skeletonOf(std::u32string_view(units.data() + start, pending.length)),
         hasDigits});
    ++shelf.byLength[pending.length + 1];
  }
  for (std::size_t n = 1; n < shelf.byLength.size(); ++n) {
    shelf.byLength[n] += shelf.byLength[n - 1];
  }
  return shelf;
}

const SimilarNames& tableOf(ImageIndex& index) {
  if (index.similarNames) return *index.similarNames;
  auto table = std::make_shared<SimilarNames>();
  std::string utf8;  // the folded stems, one after another
  std::array<std::vector<PendingStem>, Kind::kKinds> pending;
  std::string name;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    name.clear();
    appendFoldedUtf8(fileNameAt(index, file), name);
    const auto kind = kindOf(name);
    if (!kind) continue;
    const std::string_view stem(name.data(), kind->stemLength);
    const auto length = static_cast<std::uint32_t>(std::count_if(
        stem.begin(), stem.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    pending[kind->kind].push_back({length, static_cast<std::uint32_t>(utf8.size()),
                                   static_cast<std::uint32_t>(stem.size()), file});
    utf8 += stem;
  }
  table->units.reserve(2 * utf8.size());  // characters and layouts
  for (std::size_t kind = 0; kind < Kind::kKinds; ++kind) {
    sortStems(pending[kind], utf8);
    table->shelves[kind] = shelfOf(pending[kind], utf8, table->units);
  }
  index.similarNames = std::move(table);
  return *index.similarNames;
}

// ---- The search

// Whether a character of a stem or layout stands for a character of the query.
bool matches(char32_t stemCharacter, char32_t queryCharacter) {
  return stemCharacter == queryCharacter ||
         (stemCharacter == SimilarNames::kAnyDigit && isDigit(queryCharacter));
}

// The optimal-string-alignment distances of every end of a layout from every end of
// the query, its digits matching any digit: no stem of the layout is nearer, so they
// bound from below what the rest of a stem costs once a beginning is measured.
class DistancesAhead {
 public:
  DistancesAhead(std::u32string_view layout, std::u32string_view query)
      : width_(query.size() + 1), cells_((layout.size() + 1) * width_) {
    const std::size_t m = layout.size();
    const std::size_t n = query.size();
    for (std::size_t i = m + 1; i-- > 0;) {
      for (std::size_t j = n + 1; j-- > 0;) {
        int cell;
        if (i == m || j == n) {
          cell = static_cast<int>(i == m ? n - j : m - i);
        } else {
          cell = std::min({at(i + 1, j) + 1, at(i, j + 1) + 1,
                           at(i + 1, j + 1) + !matches(layout[i], query[j])});
          if (i + 1 < m && j + 1 < n && matches(layout[i], query[j + 1]) &&
              matches(layout[i + 1], query[j])) {
            cell = std::min(cell, at(i + 2, j + 2) + 1);
          }
        }
        cells_[i * width_ + j] = cell;
      }
    }
  }

  // From `i` characters of the layout and `j` of the query on.
  int at(std::size_t i, std::size_t j) const { return cells_[i * width_ + j]; }

 private:
  std::size_t width_;
  std::vector<int> cells_;
};

// The optimal-string-alignment table of a query against stems (or layouts) of one
// length, one row per character of a stem, kept for the stems that begin alike. Of a
// row only the cells that may still lead to a distance within the limit are
// computed: those at most the limit away from the diagonal the table starts on and
// from the one it ends on (leaving a diagonal costs an edit). A row that can lead to
// no distance within the limit ends every stem that begins so; with the distances
// ahead of a layout, what the rest of the stem costs counts too.
class AlignmentRows {
 public:
  explicit AlignmentRows(std::u32string_view query)
      : query_(query), width_(query.size() + 1), scratch_(width_) {}

  // Starts the table for stems of `stemLength` characters, with `ahead` (when given)
  // the distances ahead of their layout, kept by the caller.
  void restart(std::size_t stemLength, int limit, const DistancesAhead* ahead = nullptr) {
    shift_ = static_cast<long>(query_.size()) - static_cast<long>(stemLength);
    length_ = stemLength;
    limit_ = limit;
    beyond_ = limit + 1;
    ahead_ = ahead;
    cells_.assign((stemLength + 1) * width_, beyond_);
    const auto [low, high] = band(0);
    for (std::size_t j = low; j <= high; ++j) cells_[j] = capped(static_cast<int>(j));
  }

  // Candidates found so far may leave less room: a smaller limit. Rows computed
  // before stay right where it matters, as they hold every value within it.
  void lower(int limit) { limit_ = std::min(limit_, limit); }

  // Row `depth` (1 or more) for the stem character `c` after `previous`, given the
  // rows before it; returns whether it may still lead to a distance within the limit.
  // With kWildcards, `c` and `previous` may be kAnyDigit.
  template <bool kWildcards>
  bool compute(std::size_t depth, char32_t c, char32_t previous) {
    return computeInto<kWildcards>(&cells_[depth * width_], depth, c, previous);
  }

  // Whether row `depth` can lead to a distance within the limit when its stem
  // character is none of the query's near that row: then no character but those of
  // `near` can make it so, as a row differs from this one only where its character
  // equals one of the query's it is compared with. Leaves the table as it was.
  bool mayEndWithinMatchingNothing(std::size_t depth, char32_t previous,
                                   std::vector<char32_t>& near) {
    constexpr char32_t kNoCharacter = 0xFFFFFFFF;
    const bool open = computeInto<false>(scratch_.data(), depth, kNoCharacter, previous);
    near.clear();
    const auto [low, high] = band(depth);
    for (std::size_t j = std::max<std::size_t>(low, 1); j <= high && low <= high; ++j) {
      near.push_back(query_[j - 1]);                                           // a match
      if (j >= 2 && query_[j - 1] == previous) near.push_back(query_[j - 2]);  // a swap
    }
    return open;
  }

  // REQUIRES: the row of the stem's last character is computed.
  int distance() const { return cells_[length_ * width_ + width_ - 1]; }

 private:
  struct Band {
    std::size_t low, high;
  };

  Band band(std::size_t depth) const {
    const long i = static_cast<long>(depth);
    const long last = static_cast<long>(width_) - 1;
    const long low = std::max(0L, i + std::max(shift_, 0L) - limit_);
    const long high = std::min(last, i + std::min(shift_, 0L) + limit_);
    if (low > high) return {1, 0};
    return {static_cast<std::size_t>(low), static_cast<std::size_t>(high)};
  }

  template <bool kWildcards>
  static bool same(char32_t stemCharacter, char32_t queryCharacter) {
    return kWildcards ? matches(stemCharacter, queryCharacter)
                      : stemCharacter == queryCharacter;
  }

  template <bool kWildcards>
  bool computeInto(int* row, std::size_t depth, char32_t c, char32_t previous) {
    const auto [low, high] = band(depth);
    if (low > high) return false;
    const int* above = &cells_[(depth - 1) * width_];
    const int* twoAbove = depth >= 2 ? above - width_ : nullptr;
    // The next row reads one cell beyond each end of this row's band.
    if (low > 0) row[low - 1] = beyond_;
    if (high + 1 < width_) row[high + 1] = beyond_;
    std::size_t j = low;
    if (j == 0) {
      row[0] = capped(static_cast<int>(depth));
      j = 1;
    }
    for (; j <= high; ++j) {
      const char32_t q = query_[j - 1];
      int cell = std::min(std::min(above[j], row[j - 1]) + 1,
                          above[j - 1] + !same<kWildcards>(c, q));
      if (twoAbove != nullptr && j >= 2 && same<kWildcards>(previous, q) &&
          same<kWildcards>(c, query_[j - 2])) {
        cell = std::min(cell, twoAbove[j - 2] + 1);
      }
      row[j] = std::min(cell, beyond_);
    }
    return ahead_ != nullptr ? mayEndWithin(depth, row, above, low, high)
                             : mayEndWithin(depth, row, low, high);
  }

  // With the diagonal alone. A swap of neighbours that steps over this row keeps its
  // diagonal and passes a cell of it no larger than what it reaches.
  bool mayEndWithin(std::size_t depth, const int* row, std::size_t low,
                    std::size_t high) const {
    for (std::size_t j = low; j <= high; ++j) {
      const long d = static_cast<long>(j) - static_cast<long>(depth) - shift_;
      if (row[j] + (d < 0 ? -d : d) <= limit_) return true;
    }
    return false;
  }

  // With the distances ahead: a way through the table passes a cell of this row, or
  // steps over it by a swap from the row above.
  bool mayEndWithin(std::size_t depth, const int* row, const int* above, std::size_t low,
                    std::size_t high) const {
    for (std::size_t j = low; j <= high; ++j) {
      if (row[j] + ahead_->at(depth, j) <= limit_) return true;
    }
    if (depth + 1 > length_) return false;
    const std::size_t n = width_ - 1;
    for (std::size_t j = low > 0 ? low - 1 : 0; j <= high && j + 2 <= n; ++j) {
      if (above[j] + 1 + ahead_->at(depth + 1, j + 2) <= limit_) return true;
    }
    return false;
  }

  int capped(int value) const { return std::min(value, beyond_); }

  std::u32string_view query_;
  std::size_t width_;
  long shift_ = 0;  // query length minus stem length: the diagonal the table ends on
  std::size_t length_ = 0;
  int limit_ = 0;
  int beyond_ = 1;  // greater than any limit the table is used with
  const DistancesAhead* ahead_ = nullptr;
  std::vector<int> cells_;    // row after row
  std::vector<int> scratch_;  // one row
};

// The stem asked about, with what the numbered-sibling rule compares.
struct Query {
  std::u32string_view stem;
  std::u32string digitless;
  std::uint32_t skeleton;
};

Query queryOf(std::u32string_view stem) {
  return {stem, withoutDigits(stem), skeletonOf(stem)};
}

// Whether the stems of `layout` are numbered siblings of the query: equal to it once
// digits are removed from both.
bool holdsNumberedSiblings(const SimilarNames::Layout& layout, std::u32string_view text,
                           const Query& query) {
  if (layout.skeleton != query.skeleton) return false;
  std::size_t at = 0;
  for (char32_t c : text) {
    if (isDigitOrAny(c)) continue;
    if (at == query.digitless.size() || query.digitless[at] != c) return false;
    ++at;
  }
  return at == query.digitless.size();
}

// The closest stems met so far, (distance, file), in the order they are suggested:
// once there are as many as room is left for, a stem farther than the last of them
// cannot enter, and the search needs no more rows for it.
class Closest {
 public:
  Closest(std::size_t room, int limit) : room_(room), limit_(limit) {}

  int limit() const { return limit_; }

  void offer(int distance, std::uint32_t file) {
    // Distance 0: a spelling in other letter case, which the case hint reports.
    if (distance == 0 || distance > limit_ || room_ == 0) return;
    const std::pair<int, std::uint32_t> entry(distance, file);
    if (taken_.size() == room_) {
      if (!(entry < taken_.back())) return;
      taken_.pop_back();
    }
    taken_.insert(std::upper_bound(taken_.begin(), taken_.end(), entry), entry);
    if (taken_.size() == room_) limit_ = taken_.back().first;
  }

  const std::vector<std::pair<int, std::uint32_t>>& taken() const { return taken_; }

 private:
  std::size_t room_;
  int limit_;
  std::vector<std::pair<int, std::uint32_t>> taken_;
};

// Calls found(i, distance) for each text i in [begin, end) (sorted, all of `length`
// characters, text(i) giving each) that may be within limit() of the query, with its
// distance when it is within. Texts that begin alike share their rows, and a row that
// can lead to no distance within the limit skips every text that begins so. skip(i)
// leaves a text out before it is measured. With kWildcards the texts are layouts;
// else they are the stems of one layout, which differ only in digits: at a digit,
// a row computed with no matching character rules out at once the texts whose digit
// there matches nothing of the query near it.
template <bool kWildcards, typename Text, typename Limit, typename Skip, typename Found>
void walkSorted(std::size_t begin, std::size_t end, std::size_t length, Text text,
                AlignmentRows& rows, Limit limit, Skip skip, Found found) {
  std::u32string_view previous;  // the text whose rows are computed up to `valid`
  std::size_t valid = 0;
  // By row: whether the row computed with no matching character is known for the
  // rows above it now, and if it is, whether it can end within the limit and which
  // characters can make it so.
  struct MatchingNothing {
    bool known = false, open = false;
    std::vector<char32_t> near;
  };
  std::vector<MatchingNothing> nothing(kWildcards ? 0 : length + 3);
  const auto mayEndWithin = [&](std::size_t depth, const std::u32string_view stem) {
    if constexpr (!kWildcards) {
      const char32_t c = stem[depth - 1];
      const char32_t before = depth >= 2 ? stem[depth - 2] : 0;
      if (isDigit(c)) {
        MatchingNothing& known = nothing[depth];
        if (!known.known) {
          known.open = rows.mayEndWithinMatchingNothing(depth, before, known.near);
          known.known = true;
        }
        if (!known.open &&
            std::find(known.near.begin(), known.near.end(), c) == known.near.end()) {
          return false;
        }
      }
      // A new row changes what the rows below it know.
      nothing[depth + 1].known = false;
      nothing[depth + 2].known = false;
    }
    return rows.compute<kWildcards>(depth, stem[depth - 1],
                                    depth >= 2 ? stem[depth - 2] : 0);
  };
  for (std::size_t i = begin; i < end;) {
    if (skip(i)) {
      ++i;
      continue;
    }
    const std::u32string_view stem = text(i);
    rows.lower(limit());
    std::size_t depth = 0;
    while (depth < valid && stem[depth] == previous[depth]) ++depth;
    bool ended = false;
    while (depth < length) {
      ++depth;
      if (!mayEndWithin(depth, stem)) {
        ended = true;
        break;
      }
    }
    previous = stem;
    if (!ended) {
      valid = length;
      found(i, rows.distance());
      ++i;
      continue;
    }
    // Every text that begins like this one up to `depth` ends the same way; being
    // sorted, they follow it, mostly a few: look at 1, 2, 4... texts ahead.
    valid = depth - 1;
    const std::u32string_view beginning = stem.substr(0, depth);
    const auto beginsAlike = [&](std::size_t k) {
      const std::u32string_view other = text(k);
      // From the end: neighbours in sorted order differ late.
      for (std::size_t d = depth; d-- > 0;) {
        if (other[d] != beginning[d]) return false;
      }
      return true;
    };
    std::size_t known = i;  // the last text known to begin alike
    std::size_t probe = i + 1;
    for (std::size_t step = 1; probe < end && beginsAlike(probe); step *= 2) {
      known = probe;
      probe = i + 2 * step;
    }
    // The first text that begins otherwise lies after `known`, at `probe` at the
    // latest.
    std::size_t low = known + 1, high = std::min(probe, end);
    while (low < high) {
      const std::size_t middle = low + (high - low) / 2;
      if (beginsAlike(middle)) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    i = low;
  }
}

struct Candidate {
  int distance;  // of the layout: no stem of it is nearer
  const SimilarNames::Shelf* shelf;
  std::uint32_t layout;
};

// The layouts of `shelf` within the limit of the query, numbered siblings left out.
void addNearLayouts(const SimilarNames& table, const SimilarNames::Shelf& shelf,
                    const Query& query, int limit, AlignmentRows& rows,
                    std::vector<Candidate>& near) {
  const std::size_t n = query.stem.size();
  const auto reach = static_cast<std::size_t>(limit);
  for (std::size_t length = n > reach ? n - reach : 0;
       length <= n + reach && length + 1 < shelf.byLength.size(); ++length) {
    const auto layoutAt = [&](std::size_t i) {
      return std::u32string_view(table.units.data() + shelf.layouts[i].start, length);
    };
    rows.restart(length, limit);
    walkSorted<true>(
        shelf.byLength[length], shelf.byLength[length + 1], length, layoutAt, rows,
        [&] { return limit; },
        [&](std::size_t i) {
          return holdsNumberedSiblings(shelf.layouts[i], layoutAt(i), query);
        },
        [&](std::size_t i, int distance) {
          if (distance <= limit) {
            near.push_back({distance, &shelf, static_cast<std::uint32_t>(i)});
          }
        });
  }
}

// Offers `closest` the stems of `candidate` within its limit of the query.
void offerStems(const SimilarNames& table, const Candidate& candidate, const Query& query,
                AlignmentRows& rows, Closest& closest) {
  const SimilarNames::Shelf& shelf = *candidate.shelf;
  const SimilarNames::Layout& layout = shelf.layouts[candidate.layout];
  if (!layout.hasDigits) {  // its stems are all the layout
    for (std::uint32_t i = layout.firstStem; i < layout.endStem; ++i) {
      closest.offer(candidate.distance, shelf.stems[i].file);
    }
    return;
  }
  const std::size_t length =
      static_cast<std::size_t>(std::upper_bound(shelf.byLength.begin(),
                                                shelf.byLength.end(), candidate.layout) -
                               shelf.byLength.begin()) -
      1;
  const DistancesAhead ahead(
      std::u32string_view(table.units.data() + layout.start, length), query.stem);
  rows.restart(length, closest.limit(), &ahead);
  walkSorted<false>(
      layout.firstStem, layout.endStem, length,
      [&](std::size_t i) {
        return std::u32string_view(table.units.data() + shelf.stems[i].start, length);
      },
      rows, [&] { return closest.limit(); }, [](std::size_t) { return false; },
      [&](std::size_t i, int distance) { closest.offer(distance, shelf.stems[i].file); });
}

// The `room` closest stems of `shelves` within `limit` of the query, (distance, file)
// in the order they are suggested. The layouts near the query come first, the
// nearest first; their stems are then searched within 1, 2... up to `limit`: most
// queries have their answers within the first distances, and a search within a
// small distance rules out nearly every stem of a layout at its first digits.
std::vector<std::pair<int, std::uint32_t>> closestStems(
    const SimilarNames& table, std::initializer_list<const SimilarNames::Shelf*> shelves,
    const Query& query, std::size_t room, int limit) {
  if (room == 0) return {};
  AlignmentRows rows(query.stem);
  std::vector<Candidate> near;
  for (const auto* shelf : shelves)
    addNearLayouts(table, *shelf, query, limit, rows, near);
  std::stable_sort(near.begin(), near.end(), [](const Candidate& a, const Candidate& b) {
    return a.distance < b.distance;
  });
  for (int within = 1;; ++within) {
    Closest closest(room, within);
    for (const Candidate& candidate : near) {
      if (candidate.distance > closest.limit()) break;
      offerStems(table, candidate, query, rows, closest);
    }
    if (closest.taken().size() == room || within == limit) return closest.taken();
  }
}

// The files of the same stem and the other extension, folded alike.
std::vector<std::uint32_t> withOtherExtension(const ImageIndex& index,
                                              ImageIndex::NameView name, Kind kind) {
  ImageIndex::Name swapped(name);
  const char* other = kind == Kind::kPng ? "jpg" : "png";
  for (std::size_t i = 0; i < 3; ++i) {
    swapped[swapped.size() - 3 + i] = static_cast<ImageIndex::Name::value_type>(other[i]);
  }
  return filesFoldedLike(index, swapped, kMost);
}

void append(std::vector<std::uint32_t>& files,
            const std::vector<std::pair<int, std::uint32_t>>& near) {
  for (const auto& [distance, file] : near) {
    if (files.size() == kMost) break;
    files.push_back(file);
  }
}

// (distance, file) of every image of `index` of a kind `admits` whose stem is near
// `stem`, sorted: each file measured on its own.
template <typename Admits>
std::vector<std::pair<int, std::uint32_t>> nearStemsOneByOne(const ImageIndex& index,
                                                             std::u32string_view stem,
                                                             Admits admits) {
  std::vector<std::pair<int, std::uint32_t>> near;
  if (stem.size() < kShortestStemWithTypos) return near;
  const int limit = distanceLimit(stem.size());
  const std::u32string digitless = withoutDigits(stem);
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const std::u32string folded = foldedCharacters(fileNameAt(index, file));
    const auto kind = kindOf(folded);
    if (!kind || !admits(kind->kind)) continue;
    const std::u32string_view candidate(folded.data(), kind->stemLength);
    if (withoutDigits(candidate) == digitless) continue;
    const int distance = boundedAlignmentDistance(candidate, stem, limit);
    if (distance > 0 && distance <= limit) near.emplace_back(distance, file);
  }
  std::sort(near.begin(), near.end());
  return near;
}

}  // namespace

int boundedAlignmentDistance(std::u32string_view a, std::u32string_view b, int limit) {
  AlignmentRows rows(b);
  rows.restart(a.size(), limit);
  for (std::size_t depth = 1; depth <= a.size(); ++depth) {
    if (!rows.compute<false>(depth, a[depth - 1], depth >= 2 ? a[depth - 2] : 0)) {
      return limit + 1;
    }
  }
  return rows.distance();
}

std::vector<std::uint32_t> similarFiles(ImageIndex& index, ImageIndex::NameView name) {
  if (suggestionsSwitchedOff()) return {};
  const std::u32string folded = foldedCharacters(name);
  const auto kind = kindOf(folded);
  if (!kind || kind->kind == Kind::kOtherImage) return {};
  std::vector<std::uint32_t> files = withOtherExtension(index, name, kind->kind);
  const std::u32string_view stem(folded.data(), kind->stemLength);
  if (files.size() == kMost || stem.size() < kShortestStemWithTypos) return files;

  const SimilarNames& table = tableOf(index);
  const Query query = queryOf(stem);
  append(files, closestStems(table, {&table.shelves[kind->kind]}, query,
                             kMost - files.size(), distanceLimit(stem.size())));
  return files;
}

std::vector<std::uint32_t> similarFilesByStem(ImageIndex& index,
                                              ImageIndex::NameView stem) {
  if (suggestionsSwitchedOff()) return {};
  const std::u32string folded = foldedCharacters(stem);
  if (folded.size() < kShortestStemWithTypos) return {};
  const SimilarNames& table = tableOf(index);
  const Query query = queryOf(folded);
  std::vector<std::uint32_t> files;
  append(files,
         closestStems(table, {&table.shelves[0], &table.shelves[1], &table.shelves[2]},
                      query, kMost, distanceLimit(folded.size())));
  return files;
}

std::vector<std::uint32_t> similarFilesPlain(const ImageIndex& index,
                                             ImageIndex::NameView name) {
  const std::u32string folded = foldedCharacters(name);
  const auto kind = kindOf(folded);
  if (!kind || kind->kind == Kind::kOtherImage) return {};
  std::vector<std::uint32_t> files = withOtherExtension(index, name, kind->kind);
  const std::u32string_view stem(folded.data(), kind->stemLength);
  append(files,
         nearStemsOneByOne(index, stem, [&](Kind other) { return other == kind->kind; }));
  return files;
}

std::vector<std::uint32_t> similarFilesByStemPlain(const ImageIndex& index,
                                                   ImageIndex::NameView stem) {
  std::vector<std::uint32_t> files;
  append(files,
         nearStemsOneByOne(index, foldedCharacters(stem), [](Kind) { return true; }));
  return files;
}
