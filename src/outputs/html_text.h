// Project text inside an HTML page: names and paths come from scripts and folders
// and may hold anything ("<", quotes, "#", "%", Japanese), so every piece of it goes
// through one of these before it reaches the page. All text is UTF-8.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Appends `utf8` with &, <, >, " and ' as character references: safe in element
// content and in quoted attribute values alike.
void appendHtmlEscaped(std::string_view utf8, std::string& out);

// The URL prefix that leads from the folder of the page `page` to the folder `root`
// (both absolute): "" when the page sits in the root, else a relative path ending
// in "/" ("../", "../game/"), URL-encoded. Where no relative path exists (another
// drive on Windows), a file: URL of the root. Worked out lexically, as a browser
// resolves a relative URL against the page's own.
std::string urlFromPageToRoot(const std::filesystem::path& page,
                              const std::filesystem::path& root);
