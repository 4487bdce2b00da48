// A fresh, empty folder under the system's temporary directory for one test, removed
// with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

struct TempFolder {
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path path;
};

// The whole content of a file as bytes; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);

// Creates or replaces `file` with exactly `bytes`.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
