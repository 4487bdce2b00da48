// The folders a desktop-style game searches a name in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The folders named by literal arguments of addAutoPath( in a script's UTF-8 text, in
// order, relative to the root with "/" and without the trailing "/": only a whole
// literal "X/" counts; an argument built from a variable (System.exePath + "...") does
// not lie below the root, and an archive ("x.xp3>") is no folder. Lines commented out
// with "//" are skipped.
std::vector<std::string> addAutoPathFolders(std::string_view utf8Text);

// The search path of the project at `root`, in registration order (the last one
// registered wins): the default folders, then the addAutoPath folders of startup.tjs
// (the root's, then its parent's), of the root's system/*.tjs in name order, and of
// the root's Storages.tjs. UTF-8, relative to the root with "/".
std::vector<std::string> desktopSearchPath(const std::filesystem::path& root);
