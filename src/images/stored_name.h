// The spelling under which the file system stores a name, for file systems that
// ignore letter case (Windows): "Hero.png" may be found as "hero.png".
#pragma once

#include <filesystem>
#include <optional>

// The file name of the existing entry `path` as stored on disk; nullopt when the
// platform cannot tell. Asks for that one entry only: no listing, no walk.
std::optional<std::filesystem::path::string_type> storedName(
    const std::filesystem::path& path);
