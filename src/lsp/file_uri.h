// The client names documents and folders by URI; the server opens paths.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// The path a file: URI names: "file:///home/me/a%20b.ks" -> /home/me/a b.ks,
// "file:///c%3A/game/a.ks" -> c:/game/a.ks, "file://server/share/a.ks" ->
// //server/share/a.ks. nullopt for another scheme, a broken escape, or a path
// that names nothing (a zero byte).
std::optional<std::filesystem::path> pathFromFileUri(std::string_view uri);
