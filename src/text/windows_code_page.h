// The system's MultiByteToWideChar behind one call, for the code pages the program
// decodes on Windows (932, 936, 950). Windows builds only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The converters count in int: throws std::length_error beyond INT_MAX.
int checkedCodePageLength(std::size_t size);

// Throws std::system_error with GetLastError() and `what`.
[[noreturn]] void throwLastWindowsError(const char* what);

// `bytes` decoded in `codePage` exactly as MultiByteToWideChar does, zero bytes
// included; throws std::system_error when the system refuses.
std::wstring decodeWindowsCodePage(unsigned codePage, std::string_view bytes);
