#include "project/project_tag_table.h"

#include <algorithm>

std::shared_ptr<const ProjectTagTable> projectTagTable(
    const TagTable* engineTags, Layout layout, const std::vector<ProjectTag>& tags) {
  if (tags.empty()) return nullptr;
  auto project = std::make_shared<ProjectTagTable>();
  const auto text = [&](const std::string& value) -> std::string_view {
    return project->texts.emplace_back(value);
  };
  for (const ProjectTag& tag : tags) {
    TagRow row{};
    row.tag = text(tag.name);
    const std::size_t count = std::min(tag.attributes.size(), kMaxTagAttributes);
    for (std::size_t i = 0; i < count; ++i) row.attributes[i] = text(tag.attributes[i]);
    if (layout == Layout::desktop) {
      row.rule = FolderRule::searchPath;
    } else if (tag.folder || layout == Layout::browser) {
      row.rule = FolderRule::fixed;
      row.folder = text(tag.folder.value_or(""));
    } else {
      row.rule = FolderRule::anywhere;
    }
    project->rows.push_back(row);
  }
  if (engineTags != nullptr) {
    project->rows.insert(project->rows.end(), engineTags->rows.begin(),
                         engineTags->rows.end());
    project->table = *engineTags;
  }
  project->table.rows = project->rows;
  return project;
}
