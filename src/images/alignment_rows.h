// Optimal-string-alignment tables of a query against many stems, for did-you-mean:
// a table is kept while stems begin alike, and only the cells that can still lead
// to a distance within a limit are computed. A stem may be a layout, whose kAnyDigit
// matches any digit of the query.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

// Stands in a layout for any digit (no name holds the character U+0000).
inline constexpr char32_t kAnyDigit = 0;

inline bool isAsciiDigit(char32_t c) { return c >= '0' && c <= '9'; }
inline bool isDigitOrAny(char32_t c) { return isAsciiDigit(c) || c == kAnyDigit; }

// Whether a character of a stem or layout stands for a character of the query.
inline bool standsFor(char32_t stemCharacter, char32_t queryCharacter) {
  return stemCharacter == queryCharacter ||
         (stemCharacter == kAnyDigit && isAsciiDigit(queryCharacter));
}

// The optimal-string-alignment distances of every end of a layout from every end of
// the query, its digits matching any digit: no stem of the layout is nearer, so they
// bound from below what the rest of a stem costs once a beginning is measured.
class DistancesAhead {
 public:
  // Distances beyond `limit` are kept as limit + 1: only those within it are used.
  DistancesAhead(std::u32string_view layout, std::u32string_view query, int limit)
      : width_(query.size() + 1), cells_((layout.size() + 1) * width_, limit + 1) {
    const long m = static_cast<long>(layout.size());
    const long n = static_cast<long>(query.size());
    for (long i = m; i >= 0; --i) {
      // A cell farther than the limit from the diagonal the table ends on is beyond
      // it, and so is every way through such cells: they keep limit + 1.
      const long low = std::max(0L, i + n - m - limit);
      const long high = std::min(n, i + n - m + limit);
      for (long j = high; j >= low; --j) {
        const auto x = static_cast<std::size_t>(i);
        const auto y = static_cast<std::size_t>(j);
        int cell;
        if (i == m || j == n) {
          cell = static_cast<int>(i == m ? n - j : m - i);
        } else {
          cell = std::min(std::min(at(x + 1, y), at(x, y + 1)) + 1,
                          at(x + 1, y + 1) + !standsFor(layout[x], query[y]));
          if (i + 1 < m && j + 1 < n && standsFor(layout[x], query[y + 1]) &&
              standsFor(layout[x + 1], query[y])) {
            cell = std::min(cell, at(x + 2, y + 2) + 1);
          }
        }
        cells_[x * width_ + y] = std::min(cell, limit + 1);
      }
    }
  }

  // From `i` characters of the layout and `j` of the query on.
  int at(std::size_t i, std::size_t j) const { return cells_[i * width_ + j]; }
  const int* row(std::size_t i) const { return &cells_[i * width_]; }

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
      : query_(query), width_(query.size() + 1) {}

  // Starts the table for stems of `stemLength` characters, with `ahead` (when given)
  // the distances ahead of their layout, kept by the caller.
  void restart(std::size_t stemLength, int limit, const DistancesAhead* ahead = nullptr) {
    shift_ = static_cast<long>(query_.size()) - static_cast<long>(stemLength);
    length_ = stemLength;
    beyond_ = limit + 1;
    ahead_ = ahead;
    // A row is written before it is read, within its band and one cell beyond each
    // end; no other cell is read.
    const std::size_t cells = (stemLength + 1) * width_;
    if (cells_.size() < cells) cells_.resize(cells);
    if (ahead != nullptr && nothing_.size() < cells) nothing_.resize(cells);
    limit_ = limit;
    const auto [low, high] = band(0);
    for (std::size_t j = low; j <= high; ++j) cells_[j] = capped(static_cast<int>(j));
    if (high + 1 < width_) cells_[high + 1] = beyond_;
  }

  // Candidates found so far may leave less room: a smaller limit. Rows computed
  // before stay right where it matters, as they hold every value within it.
  void lower(int limit) { limit_ = std::min(limit_, limit); }

  // Row `depth` (1 or more) for the stem character `c` after `previous`, given the
  // rows before it; returns whether it may still lead to a distance within the limit.
  // With kWildcards, `c` and `previous` may be kAnyDigit.
  template <bool kWildcards>
  bool compute(std::size_t depth, char32_t c, char32_t previous) {
    int* row = &cells_[depth * width_];
    return ahead_ != nullptr ? computeInto<kWildcards, true>(row, depth, c, previous)
                             : computeInto<kWildcards, false>(row, depth, c, previous);
  }

  // The digits that can keep a row open when the row with no matching character
  // cannot: those the query holds where the row compares with it.
  struct Near {
    std::array<char32_t, 16> digits;
    std::size_t count = 0;
  };

  // Whether row `depth` can lead to a distance within the limit when its stem
  // character is none of the query's near that row: if not, no digit but those of
  // `near` can make it so, as a row differs from this one only where its character
  // equals one of the query's it is compared with. Leaves the table as it was.
  // REQUIRES: the distances ahead are given.
  bool mayEndWithinMatchingNothing(std::size_t depth, char32_t previous, Near& near) {
    constexpr char32_t kNoCharacter = 0xFFFFFFFF;
    const bool open = computeInto<false, true>(&nothing_[depth * width_], depth,
                                               kNoCharacter, previous);
    near.count = 0;
    const auto add = [&](char32_t c) {
      if (isAsciiDigit(c) && near.count < near.digits.size())
        near.digits[near.count++] = c;
    };
    const auto [low, high] = band(depth);
    for (std::size_t j = std::max<std::size_t>(low, 1); j <= high && low <= high; ++j) {
      add(query_[j - 1]);                                           // a match
      if (j >= 2 && query_[j - 1] == previous) add(query_[j - 2]);  // a swap
    }
    return open;
  }

  // Row `depth` made the one with no matching character last computed there, for a
  // character that matches none of the query's near it.
  void useMatchingNothing(std::size_t depth) {
    const auto from = nothing_.begin() + static_cast<std::ptrdiff_t>(depth * width_);
    std::copy(from, from + static_cast<std::ptrdiff_t>(width_),
              cells_.begin() + static_cast<std::ptrdiff_t>(depth * width_));
  }

  // REQUIRES: the row of the stem's last character is computed.
  int distance() const { return cells_[length_ * width_ + width_ - 1]; }

 private:
  struct Band {
    std::size_t low, high;  // empty when low > high
  };

  // The band of row `depth`: the cells at most the limit away from the diagonal the
  // table starts on and from the one it ends on.
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
    return kWildcards ? standsFor(stemCharacter, queryCharacter)
                      : stemCharacter == queryCharacter;
  }

  // Computes row `depth` into `row`, and returns whether a way through it may end
  // within the limit: a cell plus what the rest must cost at least (its distance
  // from the diagonal the table ends on, or with kAhead the distance ahead) is
  // within it. With kAhead a way may also step over the row by a swap from the row
  // above; without, such a swap keeps its diagonal and passes a cell of this row no
  // larger than what it reaches.
  template <bool kWildcards, bool kAhead>
  bool computeInto(int* row, std::size_t depth, char32_t c, char32_t previous) {
    const auto [low, high] = band(depth);
    if (low > high) return false;
    const int* above = &cells_[(depth - 1) * width_];
    const int* twoAbove = above - width_;  // read only from the second row on
    const char32_t* query = query_.data();
    const int* ahead = kAhead ? ahead_->row(depth) : nullptr;
    // The next row reads one cell beyond each end of this row's band.
    if (low > 0) row[low - 1] = beyond_;
    if (high + 1 < width_) row[high + 1] = beyond_;
    long offset = static_cast<long>(low) - static_cast<long>(depth) - shift_;
    int best = beyond_ + 1;  // the least cell plus rest
    const auto keep = [&](std::size_t j, int cell) {
      row[j] = cell;
      const int rest =
          kAhead ? ahead[j] : static_cast<int>(offset < 0 ? -offset : offset);
      best = std::min(best, cell + rest);
      ++offset;
    };
    std::size_t j = low;
    if (j == 0) {
      keep(0, capped(static_cast<int>(depth)));
      j = 1;
    }
    if (depth >= 2) {
      for (; j <= high; ++j) {
        int cell = std::min(std::min(above[j], row[j - 1]) + 1,
                            above[j - 1] + !same<kWildcards>(c, query[j - 1]));
        // A swap of neighbours: rare, so the cheaper test first.
        if (j >= 2 && same<kWildcards>(c, query[j - 2]) &&
            same<kWildcards>(previous, query[j - 1])) {
          cell = std::min(cell, twoAbove[j - 2] + 1);
        }
        keep(j, std::min(cell, beyond_));
      }
    } else {
      for (; j <= high; ++j) {
        const int cell = std::min(std::min(above[j], row[j - 1]) + 1,
                                  above[j - 1] + !same<kWildcards>(c, query[j - 1]));
        keep(j, std::min(cell, beyond_));
      }
    }
    if (best <= limit_) return true;
    if (!kAhead || depth + 1 > length_) return false;
    const int* further = ahead_->row(depth + 1);
    const std::size_t n = width_ - 1;
    for (std::size_t k = low > 0 ? low - 1 : 0; k <= high && k + 2 <= n; ++k) {
      if (above[k] + 1 + further[k + 2] <= limit_) return true;
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
  std::vector<int> nothing_;  // rows with no matching character, by depth
};
