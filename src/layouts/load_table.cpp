#include "layouts/load_table.h"

#include "text/ascii_case.h"

bool hasLoadRow(const LoadTable& table, std::string_view name) {
  if (!mayHaveLoadRow(table, name)) return false;
  for (const JumpRow& row : table.jumps) {
    if (sameLoadName(table, row.tag, name)) return true;
  }
  for (const SoundRow& row : table.sounds) {
    if (sameLoadName(table, row.tag, name)) return true;
  }
  return false;
}

const TagAttribute* loadAttribute(const LoadTable& table,
                                  std::span<const TagAttribute> attributes,
                                  std::string_view name) {
  for (const TagAttribute& attribute : attributes) {
    if (sameLoadName(table, attribute.name, name)) return &attribute;
  }
  return nullptr;
}

bool jumpApplies(const LoadTable& table, const JumpRow& row,
                 std::span<const TagAttribute> attributes) {
  if (!row.unlessPresent.empty() && loadAttribute(table, attributes, row.unlessPresent)) {
    return false;
  }
  if (row.onlyWhenTrue[0].empty()) return true;
  for (const std::string_view name : row.onlyWhenTrue) {
    if (name.empty()) break;
    const TagAttribute* attribute = loadAttribute(table, attributes, name);
    if (attribute && equalIgnoringAsciiCase(attribute->value, "true")) return true;
  }
  return false;
}

std::string_view soundFolder(const LoadTable& table, const SoundRow& row,
                             std::span<const TagAttribute> attributes) {
  if (!row.switchAttribute.empty()) {
    const TagAttribute* attribute = loadAttribute(table, attributes, row.switchAttribute);
    if (attribute && attribute->value == row.switchValue) return row.switchFolder;
  }
  return row.folder;
}
