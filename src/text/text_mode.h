// What a file opened in text mode receives for the bytes written to it.
#pragma once

#include <string>
#include <string_view>

// `bytes` as a text-mode stream writes them to its file: unchanged on POSIX (the
// bytes themselves, nothing copied), each line feed preceded by a carriage return
// on Windows (built in `scratch`).
std::string_view asTextMode(std::string_view bytes, std::string& scratch);
