// The project file, ks-image-check.toml: what a project tells the run that its files
// cannot show (the layout, the folders its code registers at run time, the tags its
// own code defines). Every text here is UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layouts/layout.h"

inline constexpr std::string_view kProjectFileName = "ks-image-check.toml";

// A tag the project's own code defines ([tags.NAME]).
struct ProjectTag {
  std::string name;                     // as written in the file
  std::vector<std::string> attributes;  // the attributes that name an image; never empty
  std::optional<std::string> folder;    // where it loads from, below the root
};

// The settings of a project file. Folders are relative to the root, "/" separated,
// without "./" or a trailing "/", and existed when the file was read.
struct ProjectSettings {
  std::string utf8Path;  // the file as given or found; empty when the run has none
  std::optional<Layout> layout;
  std::optional<std::string> encoding;  // one of projectEncodingNames()
  std::vector<std::string> searchPath;  // registered after the detected folders
  std::optional<std::vector<std::string>> scripts;
  std::optional<std::vector<std::string>> checks;  // each "images", "jumps" or "sounds"
  std::vector<ProjectTag> tags;                    // in file order
};

// One mistake in a project file, at the key or value it is about.
struct ProjectFileError {
  int line = 0;      // from 1; 0 when the mistake is the file as a whole
  int column = 0;    // from 1, counted in characters
  std::string text;  // the explanation (Japanese), or for line 0 the whole message
};

struct ProjectFileReading {
  ProjectSettings settings;              // to be used only when `errors` is empty
  std::vector<ProjectFileError> errors;  // in the order of the file
};

// The words `encoding` takes.
std::vector<std::string_view> projectEncodingNames();

// Reads `text`, the contents of the project file `utf8Path` (as messages name it), of
// the project whose root is `root`, where the folders it names must exist. Reports
// every mistake it finds, not just the first; a syntax error stops the reading.
ProjectFileReading parseProjectFile(std::string_view text, std::string_view utf8Path,
                                    const std::filesystem::path& root);

// The project file of a run at `root`: the file `wConfig` names (--config; a relative
// path from the root), which must exist, or else ks-image-check.toml in the root when
// there is one. No file gives empty settings and no error.
ProjectFileReading readProjectFile(const std::filesystem::path& root,
                                   const std::optional<std::wstring>& wConfig);

// The message of `error` in the file `utf8Path`, as the console and the log show it:
// "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 1: ...\n"
// ("[エラー] <text>: <path>\n" for an error of the file as a whole).
std::string projectFileErrorLine(std::string_view utf8Path,
                                 const ProjectFileError& error);
