// A throw-away project folder for tests: created empty, removed with its contents
// when the object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

// A file of a project as a test table gives it.
struct ProjectFile {
  std::string path;  // UTF-8, relative to the project root
  std::string bytes;
};

// The report tag_report_image_*.txt written in `folder`, after its byte-order mark; a
// test failure, and empty text, when there is none.
std::string reportIn(const std::filesystem::path& folder);

struct TempProject {
  TempProject();
  TempProject(const TempProject&) = delete;
  TempProject& operator=(const TempProject&) = delete;

  // Writes `bytes` to `relative` (below root), creating parent folders.
  void write(const std::filesystem::path& relative, std::string_view bytes) const;
  void makeFolder(const std::filesystem::path& relative) const;
  // Writes each file, its path taken as UTF-8 on every platform.
  void write(const std::vector<ProjectFile>& files) const;
  // The whole file as bytes; empty when it cannot be read.
  std::string read(const std::filesystem::path& relative) const;

  // The single report file tag_report_image_*.txt; a test failure, and an empty
  // path, unless there is exactly one.
  std::filesystem::path reportFile() const;
  std::string report() const;
  // The converted diagnostic log, image_error_log.txt, with "\n" line ends on every
  // platform (see support/line_ends.h); read() gives the bytes as written.
  std::string errorLog() const;

  TempFolder folder;
  std::filesystem::path root;  // absolute, with no symbolic links in it
};
