#include "checks/tag_census.h"

#include <algorithm>

#include "images/image_formats.h"
#include "text/ascii_case.h"
#include "text/blanks.h"
#include "text/name_order.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace {

// Values that cannot name a file: expressions, macro arguments, addresses, numbers.
bool mayNameFile(std::string_view value) {
  if (value.empty() || value.starts_with('&') || value.starts_with('%') ||
      value.starts_with("http") || value == "*") {
    return false;
  }
  return value.find_first_not_of("0123456789.-+") != std::string_view::npos;
}

std::string keyOf(const TagCensus& census, std::string_view name) {
  return census.ignoresCase ? foldedAscii(name) : std::string(name);
}

bool sameName(const TagCensus& census, std::string_view a, std::string_view b) {
  return census.ignoresCase ? equalIgnoringAsciiCase(a, b) : a == b;
}

TagCensus::Attribute& attributeOf(const TagCensus& census, TagCensus::Tag& tag,
                                  std::string_view name) {
  for (TagCensus::Attribute& attribute : tag.attributes) {
    if (sameName(census, attribute.name, name)) return attribute;
  }
  TagCensus::Attribute& added = tag.attributes.emplace_back();
  added.name = name;
  return added;
}

// The file an existing image value names: its last part as a file name, or that
// name with each extension of `extensionOrder` when it has none.
std::optional<std::uint32_t> imageNamed(
    std::string_view value, ImageIndex& index,
    std::span<const std::string_view> extensionOrder) {
  const std::string_view name = value.substr(value.find_last_of("/\\") + 1);
  const auto find = [&](std::string_view candidate) -> std::optional<std::uint32_t> {
    ImageIndex::Name native;
    if (!appendNativeFromWide(decodeUtf8(candidate), native)) return std::nullopt;
    if (!isImageFileName(ImageIndex::NameView(native))) return std::nullopt;
    const auto files = filesFoldedLike(index, native, 64);
    for (const std::uint32_t file : files) {
      const ImageIndex::NameView found = fileNameAt(index, file);
      if (index.ignoresCase || found == ImageIndex::NameView(native)) return file;
    }
    return std::nullopt;
  };
  if (const auto file = find(name)) return file;
  if (name.find('.') != std::string_view::npos) return std::nullopt;
  for (const std::string_view extension : extensionOrder) {
    if (const auto file = find(std::string(name) + std::string(extension))) return file;
  }
  return std::nullopt;
}

}  // namespace

void countUnknownTags(TagCensus& census, const LineTags& tags,
                      const ReadingRules& rules) {
  for (const LineTag& tag : tags.tags) {
    if (tag.name.empty() || tag.attributeCount == 0) continue;
    if (rules.tags != nullptr && findTagRow(*rules.tags, tag.name) != nullptr) continue;
    if (rules.macros != nullptr && macroNamed(*rules.macros, tag.name) != nullptr)
      continue;
    TagCensus::Tag* counted = nullptr;
    for (const TagAttribute& attribute : attributesOf(tags, tag)) {
      const std::string_view value = trimBlanks(attribute.value);
      if (!mayNameFile(value) || attribute.name == "folder") continue;
      if (census.skipsImageNames &&
          !extensionAmong(value, kReferenceExtensions).empty()) {
        continue;
      }
      if (counted == nullptr) {
        auto [at, added] = census.tags.try_emplace(keyOf(census, tag.name));
        if (added) at->second.name = tag.name;
        counted = &at->second;
      }
      ++attributeOf(census, *counted, attribute.name).values[std::string(value)];
    }
  }
}

bool mayNameImages(const TagCensus& census,
                   std::span<const std::string_view> extensionOrder) {
  for (const auto& [key, tag] : census.tags) {
    for (const TagCensus::Attribute& attribute : tag.attributes) {
      if (!extensionOrder.empty() && !attribute.values.empty()) return true;
      for (const auto& [value, count] : attribute.values) {
        if (isImageFileName(std::string_view(value))) return true;
      }
    }
  }
  return false;
}

void mergeCensus(TagCensus& census, TagCensus&& other) {
  for (auto& [key, tag] : other.tags) {
    auto [at, added] = census.tags.try_emplace(key);
    if (added) at->second.name = tag.name;
    for (TagCensus::Attribute& attribute : tag.attributes) {
      TagCensus::Attribute& into = attributeOf(census, at->second, attribute.name);
      for (auto& [value, count] : attribute.values) into.values[value] += count;
    }
  }
}

std::vector<UnknownTagHint> unknownTagHints(
    const TagCensus& census, ImageIndex& index,
    std::span<const std::string_view> extensionOrder, int atLeast) {
  std::vector<UnknownTagHint> hints;
  for (const auto& [key, tag] : census.tags) {
    UnknownTagHint hint;
    hint.tag = tag.name;
    std::unordered_map<std::string, int> folders;
    for (const TagCensus::Attribute& attribute : tag.attributes) {
      int named = 0;
      int seen = 0;
      for (const auto& [value, count] : attribute.values) {
        seen += count;
        const auto file = imageNamed(value, index, extensionOrder);
        if (!file) continue;
        named += count;
        std::string folder = index.folders[fileFolderAt(index, *file)];
        folders[withForwardSlashes(folder)] += count;
      }
      if (named == 0) continue;
      hint.attributes.push_back(attribute.name);
      hint.imageValues += named;
      hint.values += seen;
    }
    if (hint.imageValues < atLeast) continue;
    std::vector<std::pair<std::string, int>> byUse(folders.begin(), folders.end());
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second > b.second
                                  : precedesByName(a.first, b.first);
    });
    for (auto& [folder, count] : byUse) hint.folders.push_back(std::move(folder));
    hints.push_back(std::move(hint));
  }
  std::sort(hints.begin(), hints.end(),
            [](const UnknownTagHint& a, const UnknownTagHint& b) {
              return a.imageValues != b.imageValues ? a.imageValues > b.imageValues
                                                    : precedesByName(a.tag, b.tag);
            });
  return hints;
}
