// What a file opened in text mode receives for the bytes written to it.
#pragma once

#include <string>
#include <string_view>

// Appends `bytes` as a text-mode stream writes them to its file: unchanged on POSIX,
// each line feed preceded by a carriage return on Windows.
void appendAsTextMode(std::string_view bytes, std::string& out);
