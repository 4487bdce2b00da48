// Every script of a project, read once before any is checked: a call may reach a
// macro and a jump a label that any script below the root defines. The scripts the
// run checks keep their bytes, up to kKeptScriptBytes in all, so that they are read
// from disk once; beyond that they are read again when checked, so that memory stays
// bounded however long the scripts are.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "layouts/tag_table.h"
#include "script/macros.h"
#include "script/script_outline.h"

// Kept for the scan: more than the scripts of the largest games hold (13 MB for
// 250,000 lines), and a quarter of the 64 MB a run may take at its peak.
inline constexpr std::size_t kKeptScriptBytes = std::size_t{16} << 20;

struct ProjectScript {
  std::string utf8Path;  // from the root with "/"; as given for a script outside it
  std::filesystem::path path;
  // For the scripts to check while kKeptScriptBytes lasts; else null.
  std::shared_ptr<const std::string> bytes;
  bool read = false;  // false: it could not be read
  // Its macros stay with it, also those the table left out, so that the table can be
  // built again when one script changes (the editor's text).
  ScriptOutline outline;
};

struct ProjectScripts {
  std::vector<ProjectScript> scripts;  // listing order, then the others to check
  // Each script's index in `scripts` by its path's normal form.
  std::unordered_map<std::string, std::size_t> byPath;
  MacroTable macros;
  // With OutlineRules::collectsMentions: the values of every tag, the string literals
  // of [iscript] blocks and of every .tjs file below the root (UTF-8, each once).
  std::vector<std::string> utf8Mentions;
  // What the log says of them (UTF-8 lines ending in "\n"): each definition, a name
  // defined twice, a macro that calls itself, a script that could not be read.
  std::vector<std::string> utf8LogLines;
};

// The .ks files (any letter case) below each of `folders` (relative to `root`, "/"
// between parts; "" for the root itself), in the program's listing order, depth
// first, linked folders not entered; then each of `toCheck` not among them. Every
// one is outlined by `rules`; the macros go into one table, the first definition of a
// name winning. The scripts of `toCheck` keep their bytes, in their order, while
// kKeptScriptBytes lasts. With
// rules.collectsMentions, the .tjs files below the root are read for their string
// literals too.
ProjectScripts readProjectScripts(const std::filesystem::path& root,
                                  const std::vector<std::string>& folders,
                                  const std::vector<std::filesystem::path>& toCheck,
                                  const OutlineRules& rules, const TagTable* engineTags);

// The same with the listing of the .ks files (utf8Path and path of each, in the order
// said above) made by `listing`, which is called once the scripts of `toCheck` are
// read and outlined: a walk of the tree on another thread can make it meanwhile.
ProjectScripts readProjectScripts(
    const std::filesystem::path& root, const std::vector<std::filesystem::path>& toCheck,
    const OutlineRules& rules, const TagTable* engineTags,
    const std::function<std::vector<ProjectScript>()>& listing);

// The listing readProjectScripts makes of `folders` itself.
std::vector<ProjectScript> listProjectScripts(const std::filesystem::path& root,
                                              const std::vector<std::string>& folders);

// Builds scripts.macros again from the scripts' outlines, the first definition of a
// name in the listing order winning, as readProjectScripts does.
void rebuildMacroTable(ProjectScripts& scripts);

// The script at `path`, as readProjectScripts named it; null when it is not there.
const ProjectScript* findProjectScript(const ProjectScripts& scripts,
                                       const std::filesystem::path& path);
