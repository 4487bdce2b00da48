// Projects come in layouts that load images by different rules: a browser-style
// project (a game folder holding index.html and data/) loads each tag's image from one
// folder; a desktop-style one (a Windows program with system/*.tjs) searches a name,
// with or without extension, on a list of folders, letter case ignored. Anything else
// is plain: an image counts as found wherever it lies below the root.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

enum class Layout { plain, browser, desktop };

// "plain", "browser", "desktop": the names --layout takes and JSON gives.
std::string_view layoutName(Layout layout);
std::optional<Layout> layoutNamed(std::wstring_view name);

// The layout of the project whose root is `root`: browser when the root's parent holds
// index.html and the root a bgimage, fgimage or image folder (browser projects carry
// desktop-style files too, so this is tested first); desktop when the root or its
// parent holds startup.tjs, or the root holds system/Initialize.tjs; plain otherwise.
// Asks the file system; an entry that cannot be examined counts as absent.
Layout detectLayout(const std::filesystem::path& root);
