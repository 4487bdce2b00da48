#include "project/project_scripts.h"

#include <fstream>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "images/folder_listing.h"
#include "script/string_literals.h"
#include "text/ascii_case.h"
#include "text/memory_input.h"
#include "text/name_order.h"
#include "text/path_text.h"
#include "text/script_reader.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// Whether a file name (no folder in it) ends in `lowerExtension`, letter case aside,
// with a stem before it: ".ks" alone names no script. Compared in place, since
// parsing a path for each of tens of thousands of entries cost more than the listing.
bool hasExtension(const fs::path::string_type& name, std::string_view lowerExtension) {
  if (name.size() <= lowerExtension.size()) return false;
  const std::size_t start = name.size() - lowerExtension.size();
  for (std::size_t i = 0; i < lowerExtension.size(); ++i) {
    if (foldAsciiLetter(name[start + i]) !=
        static_cast<fs::path::value_type>(lowerExtension[i])) {
      return false;
    }
  }
  return true;
}

// The .ks files below `folder`, depth first: a subfolder to its end as soon as it is
// met in name order. Linked folders are not entered; a linked file counts as the file
// it names.
void listScripts(const fs::path& folder, const std::string& utf8Prefix,
                 std::vector<ProjectScript>& scripts,
                 std::string_view extension = ".ks") {
  std::vector<FolderEntry> entries;
  std::error_code error;
  for (FolderListingHandle listing = openFolderListing(folder, error);
       listing && !atEnd(*listing); advance(*listing, error)) {
    const FolderEntry& entry = currentEntry(*listing);
    if (entry.kind == EntryKind::folder ||
        (entry.kind == EntryKind::regularFile && hasExtension(entry.name, extension))) {
      entries.push_back(entry);
    }
  }
  sortByName(entries, &FolderEntry::name);
  for (const FolderEntry& entry : entries) {
    const fs::path path = folder / entry.name;
    const std::string utf8Name = utf8FromPath(fs::path(entry.name));
    if (entry.kind == EntryKind::folder) {
      listScripts(path, utf8Prefix + utf8Name + "/", scripts, extension);
    } else {
      ProjectScript& script = scripts.emplace_back();
      script.utf8Path = utf8Prefix + utf8Name;
      script.path = path;
    }
  }
}

// Only a regular file has bytes to read: a folder opens like a file on some systems,
// and opening a named pipe would wait for a writer for ever.
bool readRegularFile(const fs::path& path, std::string& bytes) {
  std::error_code error;
  if (!fs::is_regular_file(fs::status(path, error)) || error) return false;
  std::ifstream file(path, std::ios::in | std::ios::binary);
  if (!file) return false;
  // Read in blocks: taken a character at a time through the stream buffer, the bytes
  // cost more than outlining them.
  constexpr std::size_t kBlockBytes = 64 * 1024;
  const auto size = fs::file_size(path, error);
  bytes.clear();
  std::size_t have = 0;
  std::size_t want = error ? kBlockBytes : static_cast<std::size_t>(size) + 1;
  while (true) {
    bytes.resize(have + want);
    file.read(bytes.data() + have, static_cast<std::streamsize>(want));
    have += static_cast<std::size_t>(file.gcount());
    if (!file) break;
    want = kBlockBytes;
  }
  bytes.resize(have);
  return !file.bad();
}

std::string key(const fs::path& path) { return utf8FromPath(path.lexically_normal()); }

std::string placeOf(const MacroDefinition& macro) {
  return macro.utf8Script + " 行 " + std::to_string(macro.line);
}

// Whether expanding `macro` can reach `target` again through the calls in bodies.
bool reaches(const MacroTable& table, const TagTable* engineTags,
             const MacroDefinition& macro, const MacroDefinition& target,
             std::unordered_set<const MacroDefinition*>& seen) {
  for (const MacroBodyTag& tag : macro.body) {
    const MacroDefinition* called = macroCalled(table, engineTags, tag.name);
    if (called == nullptr) continue;
    if (called == &target) return true;
    if (seen.insert(called).second && reaches(table, engineTags, *called, target, seen)) {
      return true;
    }
  }
  return false;
}

// The string literals of the .tjs files below `root`, read as scripts are.
void appendTjsLiterals(const fs::path& root, std::vector<std::string>& literals) {
  std::vector<ProjectScript> files;
  listScripts(root, "", files, ".tjs");
  ScriptReader reader;
  ScriptLine line;
  for (const ProjectScript& file : files) {
    std::string bytes;
    if (!readRegularFile(file.path, bytes)) continue;
    MemoryInput input(bytes);
    startScript(reader, input);
    while (readScriptLine(reader, line)) appendStringLiterals(line.utf8, literals);
  }
}

// Every name the scripts and the code mention, once each, in the order first met.
void collectMentions(const fs::path& root, ProjectScripts& project) {
  std::vector<std::string> all;
  for (ProjectScript& script : project.scripts) {
    for (std::string& mention : script.outline.mentions)
      all.push_back(std::move(mention));
    script.outline.mentions.clear();
  }
  appendTjsLiterals(root, all);
  std::unordered_set<std::string> seen;
  for (std::string& mention : all) {
    if (seen.insert(mention).second) project.utf8Mentions.push_back(std::move(mention));
  }
}

}  // namespace

std::vector<ProjectScript> listProjectScripts(const fs::path& root,
                                              const std::vector<std::string>& folders) {
  std::vector<ProjectScript> scripts;
  for (const std::string& folder : folders) {
    const auto relative = pathFromWide(decodeUtf8(folder));
    if (!relative) continue;
    listScripts(folder.empty() ? root : root / *relative,
                folder.empty() ? std::string() : folder + "/", scripts);
  }
  return scripts;
}

ProjectScripts readProjectScripts(const fs::path& root,
                                  const std::vector<std::string>& folders,
                                  const std::vector<fs::path>& toCheck,
                                  const OutlineRules& rules, const TagTable* engineTags) {
  return readProjectScripts(root, toCheck, rules, engineTags,
                            [&] { return listProjectScripts(root, folders); });
}

ProjectScripts readProjectScripts(
    const fs::path& root, const std::vector<fs::path>& toCheck, const OutlineRules& rules,
    const TagTable* engineTags,
    const std::function<std::vector<ProjectScript>()>& listing) {
  // The scripts to check come first, named as if the listing did not hold them: they
  // are most of the bytes, and the listing may still be under way meanwhile.
  std::unordered_map<std::string, ProjectScript> readFirst;
  std::size_t keptBytes = 0;
  for (const fs::path& path : toCheck) {
    const auto [at, added] = readFirst.try_emplace(key(path));
    if (!added) continue;
    ProjectScript& script = at->second;
    script.path = path;
    const fs::path relative = path.lexically_relative(root);
    script.utf8Path =
        withForwardSlashes(utf8FromPath(relative.empty() ? path : relative));
    auto bytes = std::make_shared<std::string>();
    script.read = readRegularFile(path, *bytes);
    if (script.read) script.outline = outlineScript(*bytes, script.utf8Path, rules);
    keptBytes += bytes->size();
    if (keptBytes <= kKeptScriptBytes) script.bytes = std::move(bytes);
  }

  ProjectScripts project;
  project.macros.naming = rules.naming;
  project.scripts = listing();
  std::unordered_map<std::string, std::size_t>& byPath = project.byPath;
  for (std::size_t i = 0; i < project.scripts.size(); ++i) {
    byPath.emplace(key(project.scripts[i].path), i);
  }
  // Past the listed ones come the scripts to check that the listing lacks, outlined.
  const std::size_t listed = project.scripts.size();
  std::unordered_set<std::size_t> kept;
  for (const fs::path& path : toCheck) {
    const std::string pathKey = key(path);
    const auto [at, added] = byPath.emplace(pathKey, project.scripts.size());
    if (added) project.scripts.push_back(std::move(readFirst.at(pathKey)));
    kept.insert(at->second);
  }

  for (std::size_t i = 0; i < project.scripts.size(); ++i) {
    ProjectScript& script = project.scripts[i];
    const auto first = i < listed ? readFirst.find(key(script.path)) : readFirst.end();
    if (first != readFirst.end()) {
      // A listed script to check: its outline names it as the listing does.
      ProjectScript& early = first->second;
      script.read = early.read;
      if (script.read && early.utf8Path == script.utf8Path) {
        script.outline = std::move(early.outline);
      } else if (script.read) {
        std::string again;
        const std::string* bytes = early.bytes.get();
        if (bytes == nullptr) {
          script.read = readRegularFile(script.path, again);
          bytes = &again;
        }
        if (script.read) script.outline = outlineScript(*bytes, script.utf8Path, rules);
      }
      script.bytes = std::move(early.bytes);
    } else if (i < listed) {
      auto bytes = std::make_shared<std::string>();
      script.read = readRegularFile(script.path, *bytes);
      if (script.read) script.outline = outlineScript(*bytes, script.utf8Path, rules);
    }
    if (!script.read) {
      script.bytes = nullptr;
      // A script to check reports its own failure when it is checked.
      if (!kept.contains(i)) {
        project.utf8LogLines.push_back(
            "[ERROR] スクリプトを読み込めませんでした: " + script.utf8Path + "\n");
      }
      continue;
    }
    for (const MacroDefinition& macro : script.outline.macros) {
      project.utf8LogLines.push_back("[DEBUG] マクロ定義: " + macro.name + " (" +
                                     placeOf(macro) + ")\n");
    }
    for (const MacroDefinition& leftOut :
         addMacroDefinitions(project.macros, script.outline.macros)) {
      const MacroDefinition* first = macroNamed(project.macros, leftOut.name);
      project.utf8LogLines.push_back(
          "[DEBUG] 同じ名前のマクロは最初の定義を使います: " + leftOut.name + " (" +
          placeOf(leftOut) + ", 最初は " + (first ? placeOf(*first) : std::string("?")) +
          ")\n");
    }
  }

  if (rules.collectsMentions) collectMentions(root, project);

  for (const MacroDefinition& macro : project.macros.definitions) {
    std::unordered_set<const MacroDefinition*> seen;
    if (reaches(project.macros, engineTags, macro, macro, seen)) {
      project.utf8LogLines.push_back(
          "[DEBUG] マクロが自分自身を呼び出します (一度だけ展開します): " + macro.name +
          " (" + placeOf(macro) + ")\n");
    }
  }
  return project;
}

void rebuildMacroTable(ProjectScripts& scripts) {
  MacroTable table;
  table.naming = scripts.macros.naming;
  for (const ProjectScript& script : scripts.scripts) {
    addMacroDefinitions(table, script.outline.macros);
  }
  scripts.macros = std::move(table);
}

const ProjectScript* findProjectScript(const ProjectScripts& scripts,
                                       const fs::path& path) {
  const auto found = scripts.byPath.find(key(path));
  return found == scripts.byPath.end() ? nullptr : &scripts.scripts[found->second];
}
