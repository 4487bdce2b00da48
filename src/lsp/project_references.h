// Every script line that loads an image, across a project: find references from an
// image's name in a script or from the image file itself.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "lsp/workspace.h"

struct ImageTarget {
  std::filesystem::path root;  // of the project
  std::string file;            // relative to the root with "/"
};

// What a request at `position` of the document `uri` asks about: the file the
// reference there resolves to (in an open script, or in one known from disk), or,
// when `uri` names no script, the file it names below a project's root. nullopt when
// neither leads to a file.
std::optional<ImageTarget> imageTargetOf(Workspace& workspace, const std::string& uri,
                                         const nlohmann::json& position);

// The Location[] of every reference that the game loads `target` from, in the
// project's scripts: the open ones as the editor has them, the others as last
// checked on disk; ordered by URI and place.
nlohmann::json referenceLocationsJson(Workspace& workspace, const ImageTarget& target);
