// Whether the game finds a sound or a video a script plays, and what a missing one
// may have been meant as. Looked up in the run's one index of the tree.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

#include "images/image_index.h"
#include "images/layout_locator.h"
#include "layouts/load_table.h"
#include "outputs/run_record.h"

struct SoundQuery {
  std::string_view value;           // as written, trimmed
  LoadKind kind = LoadKind::sound;  // sound or video
  // The folder below the root it loads from, where the layout loads from folders;
  // "" where it is searched on the search path.
  std::string_view folder;
};

// The extensions (with their dots, lower case) of the files a sound or a video
// (`kind`) may be: what a missing one's suggestions and an editor's choices are
// drawn from.
std::span<const std::string_view> loadFormats(LoadKind kind);

// The verdict on one sound or video by `table`'s rules:
// - from a folder: exactly the path browserLoadPath gives below it ("./data/" and
//   ".." as for images; a path outside the root is asked of the file system),
//   letter case exact, nothing added;
// - on the search path: the name as written, then (sounds) with each of the table's
//   sound extensions appended, then with its extension replaced by each, each through
//   the whole search, letter case ignored; found only off the path it is missing.
// A missing one's suggestions: files of the same stem with another sound or video
// extension and the name without a doubled extension, where it is looked for, then
// the files of its name (or those tried) elsewhere. Script, line, columns and macro
// are the caller's to fill. REQUIRES: `index` built.
LoadResult checkSound(const SoundQuery& query, const LoadTable& table,
                      const std::filesystem::path& exeDir, const ImageIndex& index,
                      const LayoutSearch& search);
