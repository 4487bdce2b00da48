#include "images/similar_names.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "text/utf8.h"

struct SimilarNames {
  struct Stem {
    std::uint32_t start;  // in `units`
    std::uint32_t length;
    std::uint32_t file;  // offset in ImageIndex::files
  };
  std::u32string units;   // the folded stems, one after another
  std::vector<Stem> png;  // sorted by stem, then walk order
  std::vector<Stem> jpg;
};

namespace {

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

enum class Extension { none, png, jpg };

template <typename Text>
Extension extensionOf(const Text& folded) {
  const auto endsWith = [&](const char* extension) {
    if (folded.size() < 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
      if (folded[folded.size() - 4 + i] != static_cast<unsigned char>(extension[i])) {
        return false;
      }
    }
    return true;
  };
  if (endsWith(".png")) return Extension::png;
  if (endsWith(".jpg")) return Extension::jpg;
  return Extension::none;
}

std::u32string withoutDigits(std::u32string_view text) {
  std::u32string out;
  for (char32_t c : text) {
    if (c < '0' || c > '9') out.push_back(c);
  }
  return out;
}

int distanceLimit(std::size_t stemLength) {
  return stemLength <= 4 ? 1 : stemLength <= 9 ? 2 : 3;
}

// Eight bytes of `bytes` from `from` as a number that orders like them (zeros after
// a shorter text, which no name holds).
std::uint64_t orderKeyOf(std::string_view bytes, std::size_t from) {
  std::uint64_t key = 0;
  for (std::size_t i = from; i < from + 8; ++i) {
    key = (key << 8) | (i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u);
  }
  return key;
}

// The stems sorted by their UTF-8 bytes, which is the order of their characters:
// comparing bytes costs far less than comparing characters, and comparing the first
// sixteen as two numbers settles most comparisons without reading the text (names
// of a project often share their first eight: a character's, a scene's).
void sortStems(std::vector<SimilarNames::Stem>& stems, const std::string& utf8) {
  constexpr std::size_t kKeyBytes = 16;
  struct Keyed {
    std::uint64_t head, next;
    SimilarNames::Stem stem;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(stems.size());
  for (const auto& stem : stems) {
    const std::string_view bytes(utf8.data() + stem.start, stem.length);
    keyed.push_back({orderKeyOf(bytes, 0), orderKeyOf(bytes, 8), stem});
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.head != b.head) return a.head < b.head;
    if (a.next != b.next) return a.next < b.next;
    // The first sixteen bytes (or all of a shorter stem) are equal.
    const std::string_view x(utf8.data() + a.stem.start, a.stem.length);
    const std::string_view y(utf8.data() + b.stem.start, b.stem.length);
    const int order = x.substr(std::min(kKeyBytes, x.size()))
                          .compare(y.substr(std::min(kKeyBytes, y.size())));
    return order != 0 ? order < 0 : a.stem.file < b.stem.file;
  });
  for (std::size_t i = 0; i < stems.size(); ++i) stems[i] = keyed[i].stem;
}

// `stems` in sorted order, moved from UTF-8 bytes to characters in `units`.
void toCharacters(std::vector<SimilarNames::Stem>& stems, const std::string& utf8,
                  std::u32string& units) {
  for (auto& stem : stems) {
    const std::string_view bytes(utf8.data() + stem.start, stem.length);
    stem.start = static_cast<std::uint32_t>(units.size());
    for (std::size_t i = 0; i < bytes.size();) {
      const Utf8Char c = decodeUtf8At(bytes, i);
      units.push_back(c.codePoint);
      i += c.length;
    }
    stem.length = static_cast<std::uint32_t>(units.size() - stem.start);
  }
}

const SimilarNames& tableOf(ImageIndex& index) {
  if (index.similarNames) return *index.similarNames;
  auto table = std::make_shared<SimilarNames>();
  std::string utf8;  // the folded stems, one after another
  std::string name;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    name.clear();
    appendFoldedUtf8(fileNameAt(index, file), name);
    const Extension extension = extensionOf(name);
    if (extension == Extension::none) continue;
    const auto length = static_cast<std::uint32_t>(name.size() - 4);
    const SimilarNames::Stem stem{static_cast<std::uint32_t>(utf8.size()), length, file};
    utf8.append(name, 0, length);
    (extension == Extension::png ? table->png : table->jpg).push_back(stem);
  }
  sortStems(table->png, utf8);
  sortStems(table->jpg, utf8);
  toCharacters(table->png, utf8, table->units);
  toCharacters(table->jpg, utf8, table->units);
  index.similarNames = std::move(table);
  return *index.similarNames;
}

// The optimal-string-alignment table of `query` against the stems in sorted order,
// one row per character of a stem. Stems that share a beginning share its rows, and
// a row whose every cell is beyond the limit ends every stem that begins so: the
// search costs what the distinct beginnings near the query cost, not every name.
class AlignmentRows {
 public:
  AlignmentRows(std::u32string_view query, int limit)
      : query_(query), limit_(limit), width_(query.size() + 1) {
    cells_.resize(width_);
    for (std::size_t j = 0; j < width_; ++j) cells_[j] = capped(static_cast<int>(j));
  }

  // Row `depth` (1 or more) for the stem character `c` after `previous`, given the
  // rows before it; returns whether a cell of it is within the limit. Only cells at
  // most the limit away from the diagonal can be within it: the others are left
  // alone, but for one beyond the limit at each end of the band, which the next
  // rows read.
  bool compute(std::size_t depth, char32_t c, char32_t previous) {
    if (cells_.size() < (depth + 1) * width_)
      cells_.resize((depth + 1) * width_, limit_ + 1);
    int* row = &cells_[depth * width_];
    const int* above = &cells_[(depth - 1) * width_];
    const int* twoAbove = depth >= 2 ? &cells_[(depth - 2) * width_] : nullptr;
    const auto band = static_cast<std::size_t>(limit_);
    const std::size_t low = depth > band ? depth - band : 0;
    const std::size_t high = std::min(depth + band, width_ - 1);
    int best = limit_ + 1;
    if (low == 0) {
      row[0] = capped(static_cast<int>(depth));
      best = row[0];
    } else {
      row[low - 1] = limit_ + 1;
    }
    if (high + 1 < width_) row[high + 1] = limit_ + 1;
    for (std::size_t j = std::max<std::size_t>(low, 1); j <= high; ++j) {
      const char32_t q = query_[j - 1];
      int cell = std::min({above[j] + 1, row[j - 1] + 1, above[j - 1] + (q != c)});
      if (twoAbove != nullptr && j >= 2 && q == previous && query_[j - 2] == c) {
        cell = std::min(cell, twoAbove[j - 2] + 1);
      }
      row[j] = capped(cell);
      best = std::min(best, row[j]);
    }
    return best <= limit_;
  }

  int distance(std::size_t depth) const { return cells_[depth * width_ + width_ - 1]; }

 private:
  int capped(int value) const { return std::min(value, limit_ + 1); }

  std::u32string_view query_;
  int limit_;
  std::size_t width_;
  std::vector<int> cells_;  // row after row
};

// (distance, file) of every stem of `stems` within `limit` of `query`, apart from
// numbered siblings.
void addNearStems(const SimilarNames& table, const std::vector<SimilarNames::Stem>& stems,
                  std::u32string_view query, int limit,
                  std::vector<std::pair<int, std::uint32_t>>& near) {
  const std::u32string queryDigitless = withoutDigits(query);
  AlignmentRows rows(query, limit);
  const auto stemAt = [&](std::size_t i) {
    return std::u32string_view(table.units.data() + stems[i].start, stems[i].length);
  };
  std::u32string_view previous;  // the stem whose rows are computed up to `valid`
  std::size_t valid = 0;
  for (std::size_t i = 0; i < stems.size();) {
    const std::u32string_view stem = stemAt(i);
    std::size_t depth = 0;
    while (depth < valid && depth < stem.size() && stem[depth] == previous[depth])
      ++depth;
    bool ended = false;
    while (depth < stem.size()) {
      ++depth;
      // Longer than the query by more than the limit, or no cell within it.
      if (depth > query.size() + static_cast<std::size_t>(limit) ||
          !rows.compute(depth, stem[depth - 1], depth >= 2 ? stem[depth - 2] : 0)) {
        ended = true;
        break;
      }
    }
    previous = stem;
    if (!ended) {
      valid = depth;
      const int distance = rows.distance(depth);
      if (distance <= limit && withoutDigits(stem) != queryDigitless) {
        near.emplace_back(distance, stems[i].file);
      }
      ++i;
      continue;
    }
    // Every stem that begins like this one up to `depth` ends the same way; being
    // sorted, they follow it.
    valid = depth - 1;
    const std::u32string_view beginning = stem.substr(0, depth);
    const auto next = std::partition_point(
        stems.begin() + static_cast<std::ptrdiff_t>(i) + 1, stems.end(),
        [&](const SimilarNames::Stem& other) {
          return std::u32string_view(table.units.data() + other.start, other.length)
              .starts_with(beginning);
        });
    i = static_cast<std::size_t>(next - stems.begin());
  }
}

}  // namespace

int boundedAlignmentDistance(std::u32string_view a, std::u32string_view b, int limit) {
  AlignmentRows rows(b, limit);
  for (std::size_t depth = 1; depth <= a.size(); ++depth) {
    if (!rows.compute(depth, a[depth - 1], depth >= 2 ? a[depth - 2] : 0)) {
      return limit + 1;
    }
  }
  return rows.distance(a.size());
}

std::vector<std::uint32_t> similarFiles(ImageIndex& index, ImageIndex::NameView name) {
  constexpr std::size_t kMost = 3;
  const std::u32string folded = foldedCharacters(name);
  const Extension extension = extensionOf(folded);
  if (extension == Extension::none) return {};

  // The same name with the other extension: the folded look-up finds every spelling.
  ImageIndex::Name swapped(name);
  const char* other = extension == Extension::png ? "jpg" : "png";
  for (std::size_t i = 0; i < 3; ++i) {
    swapped[swapped.size() - 3 + i] = static_cast<ImageIndex::Name::value_type>(other[i]);
  }
  std::vector<std::uint32_t> files = filesFoldedLike(index, swapped, kMost);
  if (files.size() == kMost) return files;

  const SimilarNames& table = tableOf(index);
  const std::u32string_view stem(folded.data(), folded.size() - 4);
  std::vector<std::pair<int, std::uint32_t>> near;
  addNearStems(table, extension == Extension::png ? table.png : table.jpg, stem,
               distanceLimit(stem.size()), near);
  std::sort(near.begin(), near.end());
  for (const auto& [distance, file] : near) {
    if (files.size() == kMost) break;
    if (distance > 0) files.push_back(file);  // 0: a spelling in other letter case
  }
  return files;
}
