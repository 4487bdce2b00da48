#include "layouts/tag_table.h"

#include "text/ascii_case.h"

namespace {

bool sameName(const TagTable& table, std::string_view a, std::string_view b) {
  return table.ignoresCase ? equalIgnoringAsciiCase(a, b) : a == b;
}

std::optional<std::string_view> valueOf(const TagTable& table,
                                        std::span<const TagAttribute> attributes,
                                        std::string_view name) {
  for (const TagAttribute& attribute : attributes) {
    if (sameName(table, attribute.name, name)) return attribute.value;
  }
  return std::nullopt;
}

}  // namespace

const TagRow* findTagRow(const TagTable& table, std::string_view name) {
  for (const TagRow& row : table.rows) {
    if (sameName(table, row.tag, name)) return &row;
  }
  return nullptr;
}

bool listsAttribute(const TagTable& table, const TagRow& row, std::string_view name) {
  for (const std::string_view attribute : row.attributes) {
    if (attribute.empty()) return false;
    if (sameName(table, attribute, name)) return true;
  }
  return false;
}

std::optional<LoadPlace> loadPlaceOf(const TagTable& table, const TagRow& row,
                                     std::span<const TagAttribute> attributes) {
  switch (row.rule) {
    case FolderRule::fixed:
      return LoadPlace{LoadFrom::folder, row.folder};
    case FolderRule::folderAttribute:
      return LoadPlace{LoadFrom::folder,
                       valueOf(table, attributes, "folder").value_or(row.folder)};
    case FolderRule::imageLayer: {
      if (const auto folder = valueOf(table, attributes, "folder")) {
        return LoadPlace{LoadFrom::folder, *folder};
      }
      const auto layer = valueOf(table, attributes, "layer");
      const bool base = !layer || *layer == "base";
      return LoadPlace{LoadFrom::folder, base ? "bgimage" : "fgimage"};
    }
    case FolderRule::gameFolder:
      return LoadPlace{LoadFrom::gameFolder, {}};
    case FolderRule::searchPath:
      return LoadPlace{LoadFrom::searchPath, {}};
    case FolderRule::anywhere:
      return LoadPlace{LoadFrom::anywhere, {}};
    case FolderRule::universalTrans: {
      const auto method = valueOf(table, attributes, "method");
      if (method && !sameName(table, *method, "universal")) return std::nullopt;
      return LoadPlace{LoadFrom::searchPath, {}};
    }
  }
  return std::nullopt;
}

bool isAddress(const TagTable& table, std::string_view value) {
  return table.hasAddresses && (value.starts_with("http") || value.starts_with("data:"));
}

bool namesNoFile(const TagTable& table, const TagRow& row, std::string_view value) {
  return value.empty() || value == "*" || value.starts_with('&') ||
         value.starts_with('%') || isAddress(table, value) ||
         (!row.noFileWord.empty() && value == row.noFileWord);
}
