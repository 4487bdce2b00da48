#include "images/similar_names.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "images/alignment_rows.h"
#include "images/image_formats.h"
#include "text/utf8.h"

// The stems of the kept image files, folded, for the searches. A query compares with
// stems of its own kind of file and of lengths near its own; the stems of one
// numbered series and length share a layout, which rules them in or out together.
struct SimilarNames {
  enum Kind : std::uint8_t { kPng, kJpg, kOtherImage, kKinds };
  // How many characters of each class a text holds, characters folded into 64
  // classes (every digit in one): two texts have at most the sum of the smaller
  // counts in common, which bounds their distance from below.
  using Bag = std::array<std::uint8_t, 64>;
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
    // Whether its stems in sorted order are in walk order too, as when one folder
    // holds them: the first of a run of them is then the earliest in walk order.
    bool walkOrdered;
  };
  // The layouts of one kind sorted by length in characters, then by their
  // characters, those of length n from layouts[byLength[n]] to
  // layouts[byLength[n + 1]]; the stems of each sorted by their characters, then walk
  // order. Beside each layout, how many characters it shares with the one before it
  // (at most 255).
  struct Shelf {
    std::vector<Stem> stems;
    std::vector<Layout> layouts;
    std::vector<Bag> layoutBags;
    std::vector<std::uint8_t> layoutsShared;
    std::vector<std::uint32_t> byLength;
  };
  std::vector<char32_t> units;  // the stems and layouts, one after another
  std::array<Shelf, kKinds> shelves;
};

namespace {

using Kind = SimilarNames::Kind;

constexpr std::size_t kMost = 3;

char32_t foldAscii(char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Calls f(c) for each character of a native name, ASCII letters folded; bytes that
// form no character are U+FFFD, as decodeUtf8 reads them.
template <typename F>
void forEachFoldedCharacter(ImageIndex::NameView name, F f) {
  if constexpr (sizeof(ImageIndex::NameView::value_type) == 1) {
    const std::string_view bytes(reinterpret_cast<const char*>(name.data()), name.size());
    for (std::size_t i = 0; i < bytes.size();) {
      const Utf8Char c = decodeUtf8At(bytes, i);
      f(foldAscii(c.codePoint));
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
      f(foldAscii(c));
    }
  }
}

std::u32string foldedCharacters(ImageIndex::NameView name) {
  std::u32string out;
  out.reserve(name.size());
  forEachFoldedCharacter(name, [&](char32_t c) { out.push_back(c); });
  return out;
}

struct KindAndStem {
  Kind kind;
  std::size_t stemLength;  // in the units of the text asked about
};

// What a name's last extension makes it (ASCII letter case ignored), and where its
// stem ends; nullopt for a name that is no image. The dot is the same unit in every
// encoding of a name.
template <typename Text>
std::optional<KindAndStem> kindOf(const Text& folded) {
  const std::size_t dot = folded.rfind('.');
  if (dot == Text::npos) return std::nullopt;
  const std::basic_string_view<typename Text::value_type> extension(folded.data() + dot,
                                                                    folded.size() - dot);
  if (equalsFoldedAscii(extension, kReferenceExtensions[0])) {
    return KindAndStem{Kind::kPng, dot};
  }
  if (equalsFoldedAscii(extension, kReferenceExtensions[1])) {
    return KindAndStem{Kind::kJpg, dot};
  }
  // The other formats a reference, or a desktop-style game for a name without one,
  // may load.
  const auto isOneOf = [&](std::span<const std::string_view> extensions) {
    return extensionAmong(extension, extensions).size() == extension.size();
  };
  if (isOneOf(std::span(kReferenceExtensions).subspan(kPatternExtensions)) ||
      isOneOf(kDesktopOnlyExtensions)) {
    return KindAndStem{Kind::kOtherImage, dot};
  }
  return std::nullopt;
}

std::u32string withoutDigits(std::u32string_view text) {
  std::u32string out;
  for (char32_t c : text) {
    if (!isAsciiDigit(c)) out.push_back(c);
  }
  return out;
}

// FNV-1a of the characters of `text` that are not digits: equal for the stems of
// one numbered series, and for their layouts.
std::uint32_t skeletonOf(std::u32string_view text) {
  std::uint32_t hash = 2166136261u;
  for (char32_t c : text) {
    if (!isDigitOrAny(c)) hash = (hash ^ static_cast<std::uint32_t>(c)) * 16777619u;
  }
  return hash;
}

SimilarNames::Bag bagOf(std::u32string_view text) {
  SimilarNames::Bag bag{};
  for (const char32_t c : text) {
    const std::size_t kind = c >= 'a' && c <= 'z' ? c - 'a'
                             : isDigitOrAny(c)    ? 26
                             : c == '_'           ? 27
                             : c == '-'           ? 28
                                                  : 29 + c % 35;
    if (bag[kind] < 255) ++bag[kind];
  }
  return bag;
}

// A lower bound of the distance of texts of lengths `a` and `b` with these bags:
// each character of the longer one that the other lacks takes an edit (a swap keeps
// the characters). A plain loop over bytes, which compilers make vector instructions.
int distanceAtLeast(std::size_t a, std::size_t b, const SimilarNames::Bag& x,
                    const SimilarNames::Bag& y) {
  unsigned shared = 0;
  for (std::size_t i = 0; i < x.size(); ++i) shared += std::min(x[i], y[i]);
  return static_cast<int>(std::max(a, b)) - static_cast<int>(shared);
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

// A stem as the walk of the index meets it.
struct Entry {
  std::uint32_t start, length;  // its characters in `units`
  std::uint32_t file;
  std::uint32_t layoutHash;
  // Its digits read as one number, which orders the stems of a layout (their digits
  // stand in the same places); with more than 19 digits they are compared as text.
  std::uint64_t digits;
  bool manyDigits;
};

// Appends the characters of a native stem to `units`; returns its entry. `buffer`
// is room for the characters on their way.
Entry appendEntry(ImageIndex::NameView stem, std::uint32_t file,
                  std::vector<char32_t>& units, std::vector<char32_t>& buffer) {
  Entry entry{static_cast<std::uint32_t>(units.size()), 0, file, 2166136261u, 0, false};
  if (buffer.size() < stem.size()) buffer.resize(stem.size());
  char32_t* next = buffer.data();
  int digitCount = 0;
  forEachFoldedCharacter(stem, [&](char32_t c) {
    *next++ = c;
    const bool digit = isAsciiDigit(c);
    entry.layoutHash =
        (entry.layoutHash ^ (digit ? 0u : static_cast<std::uint32_t>(c))) * 16777619u;
    if (digit) {
      ++digitCount;
      entry.digits = entry.digits * 10 + (c - '0');
    }
  });
  entry.manyDigits = digitCount > 19;
  units.insert(units.end(), buffer.data(), next);
  entry.length = static_cast<std::uint32_t>(next - buffer.data());
  return entry;
}

// Whether two texts of one length are alike but for their digits.
bool sameLayout(std::u32string_view a, std::u32string_view b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(isDigitOrAny(a[i]) && isDigitOrAny(b[i]))) return false;
  }
  return true;
}

// The order of two texts of one length with digits read as kAnyDigit.
bool layoutPrecedes(std::u32string_view a, std::u32string_view b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char32_t x = isAsciiDigit(a[i]) ? kAnyDigit : a[i];
    const char32_t y = isAsciiDigit(b[i]) ? kAnyDigit : b[i];
    if (x != y) return x < y;
  }
  return false;
}

std::uint8_t sharedBeginning(std::u32string_view a, std::u32string_view b) {
  std::size_t shared = 0;
  while (shared < a.size() && shared < b.size() && shared < 255 &&
         a[shared] == b[shared]) {
    ++shared;
  }
  return static_cast<std::uint8_t>(shared);
}

// The entries of one kind grouped in layouts, sorted. Grouping by hash leaves only
// the layouts to sort by their text, and the stems of a layout by one number; in a
// numbered project there are few layouts.
SimilarNames::Shelf shelfOf(const std::vector<Entry>& entries,
                            std::vector<char32_t>& units) {
  const auto textOf = [&](const Entry& entry) {
    return std::u32string_view(units.data() + entry.start, entry.length);
  };
  // Layouts by their first entry, found through an open-addressing table of hashes.
  std::vector<std::uint32_t> groupOf(entries.size());
  std::vector<std::uint32_t> firstOfGroup, sizeOfGroup;
  constexpr std::uint32_t kFree = 0xFFFFFFFF;
  std::size_t slotCount = 16;
  while (slotCount < 2 * entries.size()) slotCount *= 2;
  std::vector<std::uint32_t> slots(slotCount, kFree);
  for (std::uint32_t e = 0; e < entries.size(); ++e) {
    const Entry& entry = entries[e];
    for (std::size_t slot = (entry.layoutHash ^ entry.length) & (slotCount - 1);;
         slot = (slot + 1) & (slotCount - 1)) {
      if (slots[slot] == kFree) {
        slots[slot] = static_cast<std::uint32_t>(firstOfGroup.size());
        groupOf[e] = slots[slot];
        firstOfGroup.push_back(e);
        sizeOfGroup.push_back(1);
        break;
      }
      const Entry& first = entries[firstOfGroup[slots[slot]]];
      if (first.layoutHash == entry.layoutHash && first.length == entry.length &&
          sameLayout(textOf(first), textOf(entry))) {
        groupOf[e] = slots[slot];
        ++sizeOfGroup[slots[slot]];
        break;
      }
    }
  }
  // The layouts in order: by length, then by their first eight characters read as
  // two numbers (a character above U+FFFF as U+FFFF, which keeps the order), which
  // settle most comparisons, then by the rest.
  struct Keyed {
    std::uint64_t head[2];
    std::uint32_t length, group;
  };
  std::vector<Keyed> keyed(firstOfGroup.size());
  for (std::uint32_t g = 0; g < keyed.size(); ++g) {
    const Entry& first = entries[firstOfGroup[g]];
    keyed[g] = {{0, 0}, first.length, g};
    for (std::size_t i = 0; i < 8; ++i) {
      const char32_t c = i < first.length ? units[first.start + i] : kAnyDigit;
      const std::uint64_t key =
          isAsciiDigit(c) ? kAnyDigit : std::min<char32_t>(c, 0xFFFF);
      keyed[g].head[i / 4] = (keyed[g].head[i / 4] << 16) | key;
    }
  }
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.length != b.length) return a.length < b.length;
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    return layoutPrecedes(textOf(entries[firstOfGroup[a.group]]),
                          textOf(entries[firstOfGroup[b.group]]));
  });
  std::vector<std::uint32_t> order(keyed.size());
  for (std::size_t k = 0; k < keyed.size(); ++k) order[k] = keyed[k].group;
  // Where the stems of each layout go, in that order; they arrive in walk order.
  std::vector<std::uint32_t> next(order.size());
  SimilarNames::Shelf shelf;
  const std::size_t longest =
      entries.empty() ? 0 : entries[firstOfGroup[order.back()]].length;
  shelf.byLength.assign(longest + 2, 0);
  std::uint32_t at = 0;
  for (const std::uint32_t g : order) {
    next[g] = at;
    const Entry& first = entries[firstOfGroup[g]];
    const bool hasDigits =
        std::any_of(textOf(first).begin(), textOf(first).end(), isAsciiDigit);
    auto start = first.start;
    if (hasDigits) {
      start = static_cast<std::uint32_t>(units.size());
      for (std::size_t i = 0; i < first.length; ++i) {
        const char32_t c = units[first.start + i];
        units.push_back(isAsciiDigit(c) ? kAnyDigit : c);
      }
    }
    const std::u32string_view layout(units.data() + start, first.length);
    shelf.layouts.push_back(
        {start, at, at + sizeOfGroup[g], skeletonOf(layout), hasDigits, true});
    shelf.layoutBags.push_back(bagOf(layout));
    ++shelf.byLength[first.length + 1];
    at += sizeOfGroup[g];
  }
  for (std::size_t n = 1; n < shelf.byLength.size(); ++n) {
    shelf.byLength[n] += shelf.byLength[n - 1];
  }
  std::vector<std::uint32_t> placed(entries.size());
  for (std::uint32_t e = 0; e < entries.size(); ++e) placed[next[groupOf[e]]++] = e;
  const auto precedes = [&](std::uint32_t a, std::uint32_t b) {
    const Entry& x = entries[a];
    const Entry& y = entries[b];
    if (x.manyDigits || y.manyDigits) return textOf(x) < textOf(y);
    return x.digits < y.digits;
  };
  for (auto& layout : shelf.layouts) {
    const auto first = placed.begin() + layout.firstStem;
    const auto last = placed.begin() + layout.endStem;
    // Stable, for walk order. The walk meets a folder's files in name order, so the
    // stems of a layout mostly come sorted.
    if (layout.hasDigits && !std::is_sorted(first, last, precedes)) {
      std::stable_sort(first, last, precedes);
      layout.walkOrdered = std::is_sorted(first, last);  // entries are in walk order
    }
  }
  shelf.stems.reserve(entries.size());
  for (const std::uint32_t e : placed)
    shelf.stems.push_back({entries[e].start, entries[e].file});
  for (std::size_t l = 0; l < shelf.layouts.size(); ++l) {
    const auto& layout = shelf.layouts[l];
    shelf.layoutsShared.push_back(0);
    if (l == 0) continue;
    const auto& before = shelf.layouts[l - 1];
    const std::size_t a = entries[placed[before.firstStem]].length;
    const std::size_t b = entries[placed[layout.firstStem]].length;
    if (a != b) continue;
    shelf.layoutsShared.back() =
        sharedBeginning(std::u32string_view(units.data() + before.start, a),
                        std::u32string_view(units.data() + layout.start, b));
  }
  return shelf;
}

const SimilarNames& tableOf(ImageIndex& index) {
  if (index.similarNames) return *index.similarNames;
  auto table = std::make_shared<SimilarNames>();
  std::array<std::vector<Entry>, Kind::kKinds> entries;
  std::vector<char32_t>& units = table->units;
  // Headers take half the units of `files` or more: room for the stems at once.
  units.reserve(index.files.size() / 2);
  std::vector<char32_t> buffer;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    const ImageIndex::NameView name = fileNameAt(index, file);
    const auto kind = kindOf(name);
    if (!kind) continue;
    entries[kind->kind].push_back(
        appendEntry(name.substr(0, kind->stemLength), file, units, buffer));
  }
  for (std::size_t kind = 0; kind < Kind::kKinds; ++kind) {
    table->shelves[kind] = shelfOf(entries[kind], table->units);
  }
  index.similarNames = std::move(table);
  return *index.similarNames;
}

// ---- The search

// The stem asked about, with what the numbered-sibling rule compares.
struct Query {
  std::u32string_view stem;
  std::u32string digitless;
  std::uint32_t skeleton;
  SimilarNames::Bag bag;
};

Query queryOf(std::u32string_view stem) {
  return {stem, withoutDigits(stem), skeletonOf(stem), bagOf(stem)};
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

  // The largest distance a stem met after `file` in walk order can have and still
  // enter: at the limit it would follow the last of a full list.
  int limitAfter(std::uint32_t file) const {
    return taken_.size() == room_ && file > taken_.back().second ? limit_ - 1 : limit_;
  }

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

// Calls found(i, distance) for each layout i in [begin, end) of `shelf` (sorted, all
// of `length` characters) whose distance from the query is within `limit`. Layouts
// that begin alike share their rows, and a row that can lead to no distance within
// the limit skips every layout that begins so. excluded(i) leaves a layout out before
// it is measured; so may ruledOut(i), a cheap test that it is beyond the limit.
template <typename Excluded, typename RuledOut, typename Found>
void walkLayouts(const SimilarNames& table, const SimilarNames::Shelf& shelf,
                 std::size_t begin, std::size_t end, std::size_t length, int limit,
                 AlignmentRows& rows, Excluded excluded, RuledOut ruledOut, Found found) {
  const auto text = [&](std::size_t i) {
    return std::u32string_view(table.units.data() + shelf.layouts[i].start, length);
  };
  bool started = false;   // the table is restarted at the first layout measured
  std::size_t valid = 0;  // rows computed for the last layout measured
  // The characters layout i shares with the last layout measured.
  std::size_t sharedWithLast = 0;
  constexpr int kMostRuledOutInRow = 64;
  int ruledOutInRow = 0;
  for (std::size_t i = begin; i < end;) {
    // Layouts skipped one by one are not skipped in bulk as rows that end are: after
    // a few in a row, rows decide again.
    // Layouts ruled out one by one are not skipped in bulk as those whose rows end
    // are: after a few in a row, rows decide again.
    if (excluded(i) || (ruledOutInRow < kMostRuledOutInRow && ruledOut(i))) {
      ++ruledOutInRow;
      ++i;
      if (i < end)
        sharedWithLast = std::min<std::size_t>(sharedWithLast, shelf.layoutsShared[i]);
      continue;
    }
    ruledOutInRow = 0;
    if (!started) {
      rows.restart(length, limit);
      started = true;
    }
    const std::u32string_view layout = text(i);
    std::size_t depth = std::min(valid, sharedWithLast);
    bool ended = false;
    while (depth < length) {
      ++depth;
      if (!rows.compute<true>(depth, layout[depth - 1],
                              depth >= 2 ? layout[depth - 2] : 0)) {
        ended = true;
        break;
      }
    }
    if (!ended) {
      valid = length;
      found(i, rows.distance());
      ++i;
      if (i < end) sharedWithLast = shelf.layoutsShared[i];
      continue;
    }
    // Every layout that begins like this one up to `depth` ends the same way; being
    // sorted, they follow it, mostly a few: look at 1, 2, 4... layouts ahead.
    valid = depth - 1;
    const std::u32string_view beginning = layout.substr(0, depth);
    const auto beginsAlike = [&](std::size_t k) {
      const std::u32string_view other = text(k);
      // From the end: neighbours in sorted order differ late.
      for (std::size_t d = depth; d-- > 0;) {
        if (other[d] != beginning[d]) return false;
      }
      return true;
    };
    std::size_t known = i;  // the last layout known to begin alike
    std::size_t probe = i + 1;
    for (std::size_t step = 1; probe < end && beginsAlike(probe); step *= 2) {
      known = probe;
      probe = i + 2 * step;
    }
    // The first layout that begins otherwise lies after `known`, at `probe` at the
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
    // What the layouts skipped share with layout i is at least `depth`: what
    // layout(low) shares with it is what it shares with the one before it.
    i = low;
    if (i < end) sharedWithLast = shelf.layoutsShared[i];
  }
}

struct Candidate {
  int distance;  // of the layout: no stem of it is nearer
  const SimilarNames::Shelf* shelf;
  std::uint32_t layout;
  std::uint32_t length;
};

// The layouts of `shelf` within the limit of the query, numbered siblings left out;
// so are layouts whose characters alone put them beyond the limit, before measuring.
void addNearLayouts(const SimilarNames& table, const SimilarNames::Shelf& shelf,
                    const Query& query, int limit, AlignmentRows& rows,
                    std::vector<Candidate>& near) {
  const std::size_t n = query.stem.size();
  const auto reach = static_cast<std::size_t>(limit);
  for (std::size_t length = n > reach ? n - reach : 0;
       length <= n + reach && length + 1 < shelf.byLength.size(); ++length) {
    walkLayouts(
        table, shelf, shelf.byLength[length], shelf.byLength[length + 1], length, limit,
        rows,
        [&](std::size_t i) {
          const auto text =
              std::u32string_view(table.units.data() + shelf.layouts[i].start, length);
          return holdsNumberedSiblings(shelf.layouts[i], text, query);
        },
        [&](std::size_t i) {
          return distanceAtLeast(n, length, query.bag, shelf.layoutBags[i]) > limit;
        },
        [&](std::size_t i, int distance) {
          if (distance <= limit) {
            near.push_back({distance, &shelf, static_cast<std::uint32_t>(i),
                            static_cast<std::uint32_t>(length)});
          }
        });
  }
}

// The stems of one layout within the limit of the query, found by descending their
// digits: the stems are sorted, so those with the same digits so far lie side by
// side, and each digit of the layout splits them in runs of one digit each. The rows
// of the characters between digits are shared by every stem of a run.
class LayoutDescent {
 public:
  LayoutDescent(const SimilarNames& table, const SimilarNames::Shelf& shelf,
                const SimilarNames::Layout& layout, std::u32string_view text,
                AlignmentRows& rows, Closest& closest)
      : table_(table),
        shelf_(shelf),
        walkOrdered_(layout.walkOrdered),
        layout_(text),
        rows_(rows),
        closest_(closest) {}

  // The stems in [begin, end) share their first `depth` characters, whose rows are
  // computed.
  void descend(std::uint32_t begin, std::uint32_t end, std::size_t depth) {
    // The characters up to the next digit are the layout's.
    while (depth < layout_.size() && layout_[depth] != kAnyDigit) {
      ++depth;
      rows_.lower(limitFor(begin));
      if (!rows_.compute<false>(
              depth, layout_[depth - 1],
              characterAt(begin, static_cast<std::ptrdiff_t>(depth) - 2))) {
        return;
      }
    }
    if (depth == layout_.size()) {  // the same stem in several folders
      const int distance = rows_.distance();
      for (std::uint32_t i = begin; i < end; ++i)
        closest_.offer(distance, shelf_.stems[i].file);
      return;
    }
    ++depth;
    rows_.lower(limitFor(begin));
    const char32_t before = characterAt(begin, static_cast<std::ptrdiff_t>(depth) - 2);
    AlignmentRows::Near near;
    if (!rows_.mayEndWithinMatchingNothing(depth, before, near)) {
      // Only a digit the query holds near this row can keep it open.
      std::sort(near.digits.begin(), near.digits.begin() + near.count);
      const auto last =
          std::unique(near.digits.begin(), near.digits.begin() + near.count);
      for (auto digit = near.digits.begin(); digit != last; ++digit) {
        const auto [low, high] = runOf(begin, end, depth - 1, *digit);
        if (low < high) follow(low, high, depth, *digit, before);
      }
      return;
    }
    const auto isNear = [&](char32_t digit) {
      return std::find(near.digits.begin(), near.digits.begin() + near.count, digit) !=
             near.digits.begin() + near.count;
    };
    for (std::uint32_t low = begin; low < end;) {
      const char32_t digit = characterAt(low, static_cast<std::ptrdiff_t>(depth) - 1);
      const std::uint32_t high = runEnd(low, end, depth - 1);
      if (isNear(digit)) {
        follow(low, high, depth, digit, before);
      } else {
        // Its row is the one with no matching character, which may end within the limit.
        rows_.useMatchingNothing(depth);
        descend(low, high, depth);
      }
      low = high;
    }
  }

 private:
  // The limit for the stems from `begin` on. When they come in walk order, a stem at
  // the limit after the last of a full list cannot enter; the runs that follow come
  // later still.
  int limitFor(std::uint32_t begin) const {
    return walkOrdered_ ? closest_.limitAfter(shelf_.stems[begin].file)
                        : closest_.limit();
  }

  void follow(std::uint32_t begin, std::uint32_t end, std::size_t depth, char32_t digit,
              char32_t before) {
    rows_.lower(limitFor(begin));
    if (rows_.compute<false>(depth, digit, before)) descend(begin, end, depth);
  }

  char32_t characterAt(std::uint32_t stem, std::ptrdiff_t at) const {
    return at < 0 ? 0
                  : table_.units[shelf_.stems[stem].start + static_cast<std::size_t>(at)];
  }

  // The end of the run of stems from `begin` with the same character `at`, given that
  // the stems of [begin, end) are sorted by it: look 1, 2, 4... stems ahead.
  std::uint32_t runEnd(std::uint32_t begin, std::uint32_t end, std::size_t at) const {
    const auto where = static_cast<std::ptrdiff_t>(at);
    const char32_t c = characterAt(begin, where);
    std::uint32_t known = begin, probe = begin + 1;
    for (std::uint32_t step = 1; probe < end && characterAt(probe, where) == c;
         step *= 2) {
      known = probe;
      probe = begin + 2 * step;
    }
    std::uint32_t low = known + 1, high = std::min(probe, end);
    while (low < high) {
      const std::uint32_t middle = low + (high - low) / 2;
      if (characterAt(middle, where) == c) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    return low;
  }

  // The stems of [begin, end) whose character `at` is `digit`, given that they are
  // sorted by it.
  std::pair<std::uint32_t, std::uint32_t> runOf(std::uint32_t begin, std::uint32_t end,
                                                std::size_t at, char32_t digit) const {
    const auto where = static_cast<std::ptrdiff_t>(at);
    std::uint32_t low = begin, high = end;
    while (low < high) {  // the first not below `digit`
      const std::uint32_t middle = low + (high - low) / 2;
      if (characterAt(middle, where) < digit) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    if (low == end || characterAt(low, where) != digit) return {low, low};
    return {low, runEnd(low, end, at)};
  }

  const SimilarNames& table_;
  const SimilarNames::Shelf& shelf_;
  bool walkOrdered_;
  std::u32string_view layout_;
  AlignmentRows& rows_;
  Closest& closest_;
};

// Offers `closest` the stems of `candidate` within its limit of the query; `ahead`
// holds the distances ahead of its layout once they are needed.
void offerStems(const SimilarNames& table, const Candidate& candidate, const Query& query,
                int limit, AlignmentRows& rows, std::optional<DistancesAhead>& ahead,
                Closest& closest) {
  const SimilarNames::Shelf& shelf = *candidate.shelf;
  const SimilarNames::Layout& layout = shelf.layouts[candidate.layout];
  if (!layout.hasDigits) {  // its stems are all the layout
    for (std::uint32_t i = layout.firstStem; i < layout.endStem; ++i) {
      closest.offer(candidate.distance, shelf.stems[i].file);
    }
    return;
  }
  const std::u32string_view text(table.units.data() + layout.start, candidate.length);
  if (!ahead) ahead.emplace(text, query.stem, limit);
  rows.restart(text.size(), closest.limit(), &*ahead);
  LayoutDescent(table, shelf, layout, text, rows, closest)
      .descend(layout.firstStem, layout.endStem, 0);
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
  std::vector<std::optional<DistancesAhead>> ahead(near.size());
  // No stem is nearer than its layout.
  for (int within = near.empty() ? limit : std::max(1, near.front().distance);;
       ++within) {
    Closest closest(room, within);
    for (std::size_t c = 0; c < near.size(); ++c) {
      if (near[c].distance > closest.limit()) break;
      offerStems(table, near[c], query, limit, rows, ahead[c], closest);
    }
    if (closest.taken().size() == room || within == limit) return closest.taken();
  }
}

void append(std::vector<std::uint32_t>& files,
            const std::vector<std::pair<int, std::uint32_t>>& near) {
  for (const auto& [distance, file] : near) {
    if (files.size() == kMost) break;
    files.push_back(file);
  }
}

// The optimal-string-alignment distance of `a` and `b`, the whole table computed:
// the plain form the search is checked against.
int plainAlignmentDistance(std::u32string_view a, std::u32string_view b) {
  const std::size_t width = b.size() + 1;
  std::vector<int> d((a.size() + 1) * width);
  for (std::size_t i = 0; i <= a.size(); ++i) {
    for (std::size_t j = 0; j <= b.size(); ++j) {
      int& cell = d[i * width + j];
      if (i == 0 || j == 0) {
        cell = static_cast<int>(i + j);
        continue;
      }
      cell = std::min({d[(i - 1) * width + j] + 1, d[i * width + j - 1] + 1,
                       d[(i - 1) * width + j - 1] + (a[i - 1] != b[j - 1])});
      if (i >= 2 && j >= 2 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        cell = std::min(cell, d[(i - 2) * width + j - 2] + 1);
      }
    }
  }
  return d.back();
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
  std::u32string folded;
  for (std::uint32_t file = 0; file < index.files.size(); file = fileAfter(index, file)) {
    folded.clear();
    forEachFoldedCharacter(fileNameAt(index, file),
                           [&](char32_t c) { folded.push_back(c); });
    const auto kind = kindOf(folded);
    if (!kind || !admits(kind->kind)) continue;
    const std::u32string_view candidate(folded.data(), kind->stemLength);
    // Lengths further apart than the limit are further apart than the limit.
    if (candidate.size() + limit < stem.size() ||
        stem.size() + limit < candidate.size()) {
      continue;
    }
    if (withoutDigits(candidate) == digitless) continue;
    const int distance = plainAlignmentDistance(candidate, stem);
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

std::vector<std::uint32_t> sameStemFiles(const ImageIndex& index,
                                         ImageIndex::NameView name,
                                         std::span<const std::string_view> extensions,
                                         std::size_t most) {
  std::vector<std::uint32_t> files;
  const std::string_view own = extensionAmong(name, extensions, false);
  if (own.empty()) return files;
  const ImageIndex::NameView stem = name.substr(0, name.size() - own.size());
  ImageIndex::Name candidate;
  const auto take = [&](ImageIndex::NameView base, std::string_view extension) {
    if (files.size() >= most) return;
    candidate.assign(base);
    for (const char c : extension) {
      candidate.push_back(static_cast<ImageIndex::Name::value_type>(c));
    }
    for (const std::uint32_t file :
         filesFoldedLike(index, candidate, most - files.size()))
      files.push_back(file);
  };
  for (const std::string_view extension : extensions) {
    if (extension != own) take(stem, extension);
  }
  // An extension written twice where the file has it once, or once where the file
  // has it twice.
  if (extensionAmong(stem, extensions, false) == own) take(stem, "");
  take(name, own);
  return files;
}

std::vector<std::uint32_t> similarFiles(ImageIndex& index, ImageIndex::NameView name) {
  if (suggestionsSwitchedOff()) return {};
  std::vector<std::uint32_t> files = sameStemFiles(index, name, kImageExtensions, kMost);
  const std::u32string folded = foldedCharacters(name);
  const auto kind = kindOf(folded);
  if (!kind || kind->kind == Kind::kOtherImage) return files;
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
  std::vector<std::uint32_t> files = sameStemFiles(index, name, kImageExtensions, kMost);
  const std::u32string folded = foldedCharacters(name);
  const auto kind = kindOf(folded);
  if (!kind || kind->kind == Kind::kOtherImage) return files;
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
