// Text the program writes in text mode (the diagnostic log, whose temporary form is a
// text-mode file, and the redirected console) has the platform's line ends: CR LF on
// Windows.
#pragma once

#include <string>
#include <string_view>

// `text` with "\n" line ends, the form POSIX builds write, so that one set of
// expectations serves every platform. POSIX builds get `text` unchanged, so a stray CR
// still shows there; on Windows only CR LF pairs are folded, so a bare LF still shows.
std::string withPosixLineEnds(std::string_view text);
