// What runProgramIn gives back of the program's console text, for expectations
// written once for every platform.
#pragma once

#include <string>
#include <string_view>

// `utf8` as a redirected console carries it: unchanged on POSIX, where the console is
// UTF-8; on Windows, where it is CP932, with "?" for what CP932 cannot hold.
std::string redirectedConsole(std::string_view utf8);
