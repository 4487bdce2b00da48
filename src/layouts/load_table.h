// What a layout's tags load beyond images, as data: which tags jump to a script and a
// label (by which attributes), and which load a sound or a video (by which
// attributes, from which folder). The scan asks a table which values of a tag are
// such loads; the checks decide whether the game finds them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "layouts/tag_table.h"

enum class LoadKind : std::uint8_t { jump, sound, video };

// A tag that jumps (or calls): one pair of attributes naming the script and the
// label. A tag with two such pairs has two rows.
struct JumpRow {
  std::string_view tag;
  std::string_view storage;  // the attribute naming the script
  std::string_view target;   // the attribute naming the label
  // A tag holding this attribute is no jump (a button with a role); "" for none.
  std::string_view unlessPresent;
  // The tag jumps only when one of these attributes is "true"; both "" when it
  // always does.
  std::array<std::string_view, 2> onlyWhenTrue;
  // With this attribute "true" the tag stays on screen and jumps within whatever
  // script is current when it is clicked; "" for none.
  std::string_view fixedAttribute;
};

// A tag whose attributes name a sound or a video file.
struct SoundRow {
  std::string_view tag;
  std::array<std::string_view, 3> attributes;  // "" after the last
  LoadKind kind = LoadKind::sound;             // sound or video
  // The folder below the root it loads from, where the layout loads from folders;
  // "" where names are searched on the search path.
  std::string_view folder;
  // Another folder when the attribute `switchAttribute` is `switchValue`; "" none.
  std::string_view switchAttribute;
  std::string_view switchValue;
  std::string_view switchFolder;
};

// Which tag names may have a row, by their length and first letter (folded): most
// tags of a line are ruled out without comparing a name. Lengths from 31 on share a
// bit.
struct LoadNameFilter {
  std::array<std::uint32_t, 128> lengthsByFirstLetter{};
};

constexpr void addToFilter(LoadNameFilter& filter, std::string_view name) {
  if (name.empty()) return;
  char first = name[0];
  if (first >= 'A' && first <= 'Z') first = static_cast<char>(first - 'A' + 'a');
  const auto letter = static_cast<unsigned char>(first);
  if (letter >= 128) return;
  filter.lengthsByFirstLetter[letter] |= 1u << (name.size() < 31 ? name.size() : 31);
}

struct JumpRow;
struct SoundRow;

template <std::size_t Jumps, std::size_t Sounds>
constexpr LoadNameFilter loadNameFilter(const JumpRow (&jumps)[Jumps],
                                        const SoundRow (&sounds)[Sounds]);

struct LoadTable {
  std::span<const JumpRow> jumps;
  std::span<const SoundRow> sounds;
  bool ignoresCase = false;  // tag and attribute names, ASCII letters
  // Desktop-style rules: a label target must start with "*", a jump without storage
  // in a macro's body means the calling script, names are searched on the path.
  bool desktop = false;
  // Values starting with "http" or "data:" are addresses, not files.
  bool hasAddresses = false;
  // What the game also tries for a sound (with their dots): each appended to the
  // name, then each in place of its extension. Empty: the name as written only.
  std::span<const std::string_view> soundExtensions;
  LoadNameFilter filter;  // of the rows' tags
};

template <std::size_t Jumps, std::size_t Sounds>
constexpr LoadNameFilter loadNameFilter(const JumpRow (&jumps)[Jumps],
                                        const SoundRow (&sounds)[Sounds]) {
  LoadNameFilter filter;
  for (const JumpRow& row : jumps) addToFilter(filter, row.tag);
  for (const SoundRow& row : sounds) addToFilter(filter, row.tag);
  return filter;
}

// Whether `table` may have a row for the tag `name`: false rules it out.
inline bool mayHaveLoadRow(const LoadTable& table, std::string_view name) {
  if (name.empty()) return false;
  char first = name[0];
  if (first >= 'A' && first <= 'Z') first = static_cast<char>(first - 'A' + 'a');
  const auto letter = static_cast<unsigned char>(first);
  if (letter >= 128) return false;
  const std::size_t length = name.size() < 31 ? name.size() : 31;
  return (table.filter.lengthsByFirstLetter[letter] >> length & 1u) != 0;
}

// Browser-style projects, and plain ones, which follow the same tags.
const LoadTable& browserLoadTable();
const LoadTable& desktopLoadTable();

// Whether `a` and `b` name the same tag or attribute in `table`.
inline bool sameLoadName(const LoadTable& table, std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (!table.ignoresCase) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Whether any row of `table` is about the tag `name`.
bool hasLoadRow(const LoadTable& table, std::string_view name);

// The value of the attribute `name` among `attributes`, as `table` matches names.
const TagAttribute* loadAttribute(const LoadTable& table,
                                  std::span<const TagAttribute> attributes,
                                  std::string_view name);

// Whether `row` makes a jump of a tag with `attributes`: not when the tag holds
// row.unlessPresent, nor when it lacks a "true" one of row.onlyWhenTrue.
bool jumpApplies(const LoadTable& table, const JumpRow& row,
                 std::span<const TagAttribute> attributes);

// The folder `row` loads from, given the tag's attributes.
std::string_view soundFolder(const LoadTable& table, const SoundRow& row,
                             std::span<const TagAttribute> attributes);
