// What a layout knows about its tags, as data: which tag's which attribute names an
// image, and which folder the game loads it from. The scan asks a table whether a
// value is a reference, the locator where the game would load it; neither spells the
// knowledge out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Where the game loads the image a value names.
enum class LoadFrom : std::uint8_t {
  anywhere,    // no rule of a layout: found wherever it lies below the root
  folder,      // LoadPlace::folder below the root
  gameFolder,  // the root's parent (the game folder), the value written from there
  searchPath,  // by file name on the layout's search path
};

struct LoadPlace {
  LoadFrom from = LoadFrom::anywhere;
  // With LoadFrom::folder: the folder relative to the root, as the table or the tag's
  // folder attribute gives it (a view into the line, or static text).
  std::string_view folder;
};

// How a row decides where its attributes' values load from.
enum class FolderRule : std::uint8_t {
  fixed,            // always the row's folder
  folderAttribute,  // the tag's folder attribute when given, else the row's folder
  imageLayer,       // the folder attribute; else bgimage on the base layer (or none
                    // given), fgimage on any other
  gameFolder,       // the value is written from the game folder
  searchPath,       // the name is searched on the search path
  anywhere,         // no place of its own: found wherever it lies below the root
  universalTrans,   // searchPath, but only for a transition whose method is absent or
                    // "universal"; other methods load no image
};

inline constexpr std::size_t kMaxTagAttributes = 6;

struct TagRow {
  std::string_view tag;
  std::array<std::string_view, kMaxTagAttributes> attributes;  // "" after the last
  FolderRule rule = FolderRule::fixed;
  std::string_view folder;  // the fixed or default folder
  // A word that, as a whole value, names no file ("none", "default", ...); may be "".
  std::string_view noFileWord;
};

struct TagTable {
  std::span<const TagRow> rows;
  bool ignoresCase = false;  // tag, attribute and method names, ASCII letters
  // Values starting with "http" or "data:" are addresses, not files: no reference is
  // taken from them at all.
  bool hasAddresses = false;
};

struct TagAttribute {
  std::string_view name;
  std::string_view value;  // without its quotes
};

// The row of the tag named `name`, or null.
const TagRow* findTagRow(const TagTable& table, std::string_view name);

// Whether `row` lists the attribute `name`.
bool listsAttribute(const TagTable& table, const TagRow& row, std::string_view name);

// Where the values of `row`'s attributes load from, given all attributes of the tag;
// nullopt when this tag loads no image (a transition of another method).
std::optional<LoadPlace> loadPlaceOf(const TagTable& table, const TagRow& row,
                                     std::span<const TagAttribute> attributes);

// Whether a value (trimmed) of a listed attribute names no file: empty, "*", an
// expression ("&...") or macro argument ("%..."), an address, the row's word.
bool namesNoFile(const TagTable& table, const TagRow& row, std::string_view value);

// Whether a value (trimmed) is an address ("http...", "data:...") in a table that
// has them: neither its whole nor any part of it is a reference.
bool isAddress(const TagTable& table, std::string_view value);
