// One script a run reads, as the configuration or the scenario listing names it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct ScriptTarget {
  // Below the scenario folder with "/" (system/chara.ks), as the console, the report
  // and the documents show it; what the platform cannot decode (bytes of a POSIX name
  // that are not UTF-8) is U+FFFD. The log shows its lenient CP932 form.
  std::string utf8Name;
  // Below the scenario folder in the platform's own form, which opens the file
  // whatever its name holds; none for a name that names nothing.
  std::optional<std::filesystem::path> path;
  // The listing could not read its status: counted among the scripts that could not
  // be opened, never read.
  bool unexaminable = false;

  bool operator==(const ScriptTarget&) const = default;
};
