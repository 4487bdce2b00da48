// The console. Text must read as Japanese on every platform: UTF-8 on POSIX; on
// Windows WriteConsoleW for a console and CP932 when the stream is redirected.
#pragma once

#include <string_view>

// Makes a write to a pipe whose reader has gone (`| head`, `| true`) fail like any
// other write instead of ending the process, so that a run still finishes its report
// and its log. Called once, before anything is written.
void keepRunningWhenOutputCloses();

// The console's wide output stream: progress, warnings, most errors.
void writeConsoleOut(std::wstring_view text);

// From now on writeConsoleOut writes to the error stream, so that standard output
// carries nothing but what writeStandardOutputUtf8 gives it (a JSON document).
void sendConsoleOutToError();

// UTF-8 text for programs that read standard output (a JSON document, workflow
// commands): the bytes unchanged on every platform, whatever the console's code page;
// a console window is shown the text itself. Returns false when the write failed.
bool writeStandardOutputUtf8(std::string_view utf8);

// The console's wide error stream.
void writeConsoleError(std::wstring_view text);

// The console's narrow error stream, which receives CP932 text: shown decoded, never
// as raw bytes.
void writeConsoleErrorCp932(std::string_view cp932);
