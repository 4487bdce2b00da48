// The conversions the rest of the program uses between CP932 narrow text, wide text
// and UTF-8, and two helpers for the diagnostic log. The conversions never throw: a
// failure is written to `errLog` under `context` (a short ASCII label such as
// "file name") and gives an empty result.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

// CP932 to wide text, up to the first zero byte. Empty for empty input.
std::wstring sjisToWstring(std::string_view text, std::ostream& errLog,
                           std::string_view context);

// Appends the UTF-8 form of sjisToWstring(text, errLog, context) to `out`, failures
// logged alike; saves the wide text where only UTF-8 is written.
void appendSjisAsUtf8(std::string_view text, std::ostream& errLog,
                      std::string_view context, std::string& out);

// Wide text to UTF-8. Empty, and logged, when a character cannot be encoded.
std::string wstringToUtf8(std::wstring_view wtext, std::ostream& errLog,
                          std::string_view context);

// The first `maxBytes` bytes followed by "..." when `text` is longer, else `text`.
// Counts bytes and may cut a multi-byte character.
std::string truncateForLog(std::string_view text, std::size_t maxBytes);

// Consumes a leading UTF-8 byte-order mark (EF BB BF) from a freshly opened byte
// stream and logs whether there was one, naming `fileName` (CP932).
void skipBom(std::istream& stream, std::string_view fileName, std::ostream& errLog);

// UTF-8 text bound for the diagnostic log, which is Shift-JIS: "?" for what CP932
// cannot hold and for a sequence cut short.
std::string utf8ToCp932ForLog(std::string_view utf8);

// Appends utf8ToCp932ForLog(utf8) to `out`: for the excerpt of every script line,
// so it allocates nothing beyond the growth of `out`.
void appendUtf8ToCp932ForLog(std::string_view utf8, std::string& out);

// An exception's description as CP932 log text. Descriptions from the platform
// (paths in them included) are converted; our own are CP932 already.
std::string describeForLog(const std::exception& error);
