#include "support/temp_tree.h"

#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

TempTree::TempTree() : root(scratch.path) {}

TempTree::~TempTree() {
  std::error_code ignored;
  for (const auto& folder : locked) {
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  }
}

fs::path TempTree::path(std::u8string_view relative) const {
  return root / fs::path(relative);
}

void TempTree::file(std::u8string_view relative) const {
  fs::path target = path(relative);
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary) << "x";
}

void TempTree::folder(std::u8string_view relative) const {
  fs::create_directories(path(relative));
}

bool TempTree::symlink(std::u8string_view target, std::u8string_view relative) const {
  fs::path link = path(relative);
  fs::create_directories(link.parent_path());
  std::error_code error;
  fs::create_symlink(fs::path(target), link, error);
  return !error;
}

bool TempTree::folderSymlink(std::u8string_view target,
                             std::u8string_view relative) const {
  fs::path link = path(relative);
  fs::create_directories(link.parent_path());
  std::error_code error;
  fs::create_directory_symlink(fs::path(target), link, error);
  return !error;
}

void TempTree::lock(std::u8string_view relative) {
  locked.push_back(path(relative));
  fs::permissions(locked.back(), fs::perms::none);
}
