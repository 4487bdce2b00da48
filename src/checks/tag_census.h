// Projects load many pictures through tags their own code defines, which no table
// of the program knows: a run that sees none of those loads must not pass quietly.
// A census of the values of such tags tells which of them name images, so that the
// run can point at them and --init can write them into a project file.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "images/image_index.h"
#include "script/line_tags.h"
#include "script/script_patterns.h"

// The values written in tags no table, macro or project file knows, counted.
struct TagCensus {
  struct Attribute {
    std::string name;                             // as first written
    std::unordered_map<std::string, int> values;  // each value (UTF-8) and how often
  };
  struct Tag {
    std::string name;                   // as first written
    std::vector<Attribute> attributes;  // in the order first met
  };
  // Tags by name, folded when the game ignores letter case.
  std::unordered_map<std::string, Tag> tags;
  bool ignoresCase = false;
  // Plain projects check every value ending in an image extension already.
  bool skipsImageNames = false;
};

// Counts the values of the tags of one line (not a comment line) that `rules` know
// nothing of.
void countUnknownTags(TagCensus& census, const LineTags& tags, const ReadingRules& rules);

// Adds what `other` counted to `census` (censuses of the same rules).
void mergeCensus(TagCensus& census, TagCensus&& other);

// Whether any value counted could name an image: one whose last part has an image
// extension, or any, with `extensionOrder`. Without one no walk of the tree is needed.
bool mayNameImages(const TagCensus& census,
                   std::span<const std::string_view> extensionOrder);

// A tag whose values name existing images.
struct UnknownTagHint {
  std::string tag;                      // as first written
  std::vector<std::string> attributes;  // those whose values named images, in order
  int imageValues = 0;                  // values that named an existing image
  int values = 0;                       // every value of those attributes
  // The folders (UTF-8, from the root with "/", "" the root) holding the images the
  // values named, most used first.
  std::vector<std::string> folders;
};

// The tags of `census` whose values named existing images of `index` at least
// `atLeast` times, most first (ties in name order): a value names an image when its
// last part is the name of an image file below the root, or, with
// `extensionOrder`, is one without its extension.
std::vector<UnknownTagHint> unknownTagHints(
    const TagCensus& census, ImageIndex& index,
    std::span<const std::string_view> extensionOrder, int atLeast = 5);
