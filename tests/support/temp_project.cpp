#include "support/temp_project.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

TempProject::TempProject() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    const fs::path candidate = base / ("kic-project-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      // The program sees its current directory without links; so must expectations.
      root = fs::canonical(candidate);
      return;
    }
  }
}

TempProject::~TempProject() {
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

void TempProject::write(const fs::path& relative, std::string_view bytes) const {
  const fs::path file = root / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << file;
}

void TempProject::makeFolder(const fs::path& relative) const {
  fs::create_directories(root / relative);
}

std::string TempProject::read(const fs::path& relative) const {
  std::ifstream in(root / relative, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
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

std::string TempProject::errorLog() const { return read("image_error_log.txt"); }
