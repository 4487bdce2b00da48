// A relative path as the path of a URL, for the documents that link to the
// project's files (the HTML page, the SARIF log). All text is UTF-8.
#pragma once

#include <string>
#include <string_view>

// Appends the relative path `utf8Path` as a URL path: "/" and the platform's
// separator become "/", every other byte but ASCII letters, digits, "-", ".", "_"
// and "~" becomes %XX. The result needs no further escaping in an attribute, and
// never reads as a scheme (":" is encoded), a fragment ("#") or a query ("?").
void appendUrlPath(std::string_view utf8Path, std::string& out);

// The file: URI of the absolute path `utf8Path`: "file:///home/me/game",
// "file:///C:/game" (a drive letter keeps its colon), "file://server/share/game" (a
// share's server is the host). Windows paths may separate with "\\" and start with
// the "\\\\?\\" of long paths.
std::string fileUri(std::string_view utf8Path);
