// Code page 932 through the built-in table recorded from Windows. POSIX builds use it
// for every conversion; Windows builds call the system and test this table against it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// As decodeCp932 (text/cp932.h).
std::wstring decodeCp932WithTable(std::string_view bytes);

// As appendCp932AsUtf8 (text/cp932.h).
void appendCp932AsUtf8WithTable(std::string_view bytes, std::string& out);

// As encodeCp932Strict (nullopt when a character has no code) or, when `strict` is
// false, as encodeCp932Lenient (never nullopt).
std::optional<std::string> encodeCp932WithTable(std::wstring_view text, bool strict);

// Appends what encodeCp932WithTable gives to `out`; false (with `out` holding the
// characters before the one that has no code) where that gives nullopt.
bool appendCp932WithTable(std::wstring_view text, bool strict, std::string& out);

// As appendUtf8AsCp932Lenient (text/cp932.h).
void appendUtf8AsCp932WithTable(std::string_view utf8, std::string& out);
