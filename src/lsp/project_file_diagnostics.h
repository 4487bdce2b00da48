// The mistakes of a project's ks-image-check.toml as the editor marks them: at their
// line and column in the file, as a run reports them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/script_check.h"

// The Diagnostic[] of `file`'s mistakes, in the order of the file: each at the key or
// value it is about (a mistake of the file as a whole at its start), with the run's
// explanation, code "project-file".
nlohmann::json projectFileDiagnosticsJson(const ProjectFileState& file);

// What the server says, once, when the project file of `project` holds mistakes: that
// it checks by the last good settings, or by none, until they are mended.
std::string keptSettingsMessage(const ProjectState& project);
