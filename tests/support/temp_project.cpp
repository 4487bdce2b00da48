#include "support/temp_project.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/line_ends.h"

namespace fs = std::filesystem;

// The program sees its current directory without links; so must expectations.
TempProject::TempProject() : root(fs::canonical(folder.path)) {}

void TempProject::write(const fs::path& relative, std::string_view bytes) const {
  const fs::path file = root / relative;
  fs::create_directories(file.parent_path());
  writeBytes(file, bytes);
}

void TempProject::makeFolder(const fs::path& relative) const {
  fs::create_directories(root / relative);
}

std::string TempProject::read(const fs::path& relative) const {
  return readBytes(root / relative);
}

fs::path TempProject::reportFile() const {
  std::vector<fs::path> reports;
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::u8string name = entry.path().filename().u8string();
    if (name.starts_with(u8"tag_report_image_") && name.ends_with(u8".txt")) {
      reports.push_back(entry.path().filename());
    }
  }
  if (reports.size() != 1) {
    ADD_FAILURE() << reports.size() << " report files in " << root;
    return {};
  }
  return reports.front();
}

std::string TempProject::report() const {
  const fs::path file = reportFile();
  return file.empty() ? std::string() : read(file);
}

std::string TempProject::errorLog() const {
  return withPosixLineEnds(read("image_error_log.txt"));
}

void TempProject::write(const std::vector<ProjectFile>& files) const {
  for (const auto& file : files) {
    write(std::filesystem::path(std::u8string(file.path.begin(), file.path.end())),
          file.bytes);
  }
}

std::string reportIn(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with("tag_report_image_")) {
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string text{std::istreambuf_iterator<char>(file), {}};
      return text.substr(3);
    }
  }
  ADD_FAILURE() << "no report in " << folder;
  return {};
}
