// Standard output and error go to temporary files rather than pipes, so a program
// that writes much to both can never block on a full pipe.
//
// A Windows build writes redirected console text as CP932 with CR LF; runProgramIn
// hands it on as UTF-8 with LF, the form POSIX builds write, so that one set of
// expectations serves both. runProgramRawIn keeps the bytes as written.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/line_ends.h"
#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

// The number goes into the text too: the system's own message is CP932 and may reach
// a log that shows it garbled.
[[noreturn]] void throwLastError(const char* what) {
  const DWORD code = GetLastError();
  throw std::system_error(static_cast<int>(code), std::system_category(),
                          std::string(what) + " (error " + std::to_string(code) + ")");
}

// Closes the handle when the scope ends.
struct Handle {
  HANDLE value = INVALID_HANDLE_VALUE;
  Handle() = default;
  explicit Handle(HANDLE handle) : value(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
};

// An inheritable handle to a new temporary file that goes away once every handle to
// it, the child's included, is closed.
HANDLE createCaptureFile(const wchar_t* stream) {
  wchar_t tempDir[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, tempDir) == 0) throwLastError("GetTempPathW");
  static unsigned serial = 0;
  std::wstring name = std::wstring(tempDir) + L"kic-" + stream + L"-" +
                      std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++serial) + L".txt";
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file = CreateFileW(
      name.c_str(), GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) throwLastError("CreateFileW");
  return file;
}

std::string readFromStart(HANDLE file) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
    throwLastError("SetFilePointerEx");
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return content;
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged: backslashes
// count only before a quote.
std::wstring quoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

std::string asPosixConsoleText(std::string_view cp932) {
  return withPosixLineEnds(encodeUtf8Lenient(decodeCp932(cp932)));
}

}  // namespace

ProgramResult runProgramIn(const std::filesystem::path& dir,
                           const std::vector<std::string>& args) {
  ProgramResult result = runProgramRawIn(dir, args);
  result.out = asPosixConsoleText(result.out);
  result.err = asPosixConsoleText(result.err);
  return result;
}

ProgramResult runProgramRawIn(const std::filesystem::path& dir,
                              const std::vector<std::string>& args) {
  // Compile definitions and test literals are UTF-8.
  const std::wstring program = decodeUtf8(KIC_PROGRAM_PATH);
  std::wstring commandLine = quoteArgument(program);
  for (const std::string& arg : args)
    commandLine += L" " + quoteArgument(decodeUtf8(arg));

  Handle out(createCaptureFile(L"out"));
  Handle err(createCaptureFile(L"err"));
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle in(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        &inheritable, OPEN_EXISTING, 0, nullptr));
  if (in.value == INVALID_HANDLE_VALUE) throwLastError("CreateFileW NUL");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.value;
  startup.hStdOutput = out.value;
  startup.hStdError = err.value;
  PROCESS_INFORMATION process{};
  // Under wine, starting a process now and then fails once for reasons of the host
  // (seen as an internal error on a loaded machine); that says nothing about the
  // program under test, so a few more attempts are made before giving up.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW, nullptr, dir.c_str(), &startup, &process)) {
      break;
    }
    if (attempt == 4) throwLastError("CreateProcessW");
    std::fprintf(stderr, "CreateProcessW failed (error %lu), trying again\n",
                 static_cast<unsigned long>(GetLastError()));
    Sleep(250 * attempt);
  }
  Handle processHandle(process.hProcess);
  Handle threadHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);

  ProgramResult result;
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.hProcess, &exitCode)) {
    result.exitCode = static_cast<int>(exitCode);
  }
  result.out = readFromStart(out.value);
  result.err = readFromStart(err.value);
  return result;
}
