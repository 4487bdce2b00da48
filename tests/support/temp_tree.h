// A scratch folder tree for tests that need real files, removed afterwards.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

struct TempTree {
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // Relative names are UTF-8 and use "/"; parents are made as needed.
  std::filesystem::path path(std::u8string_view relative) const;
  void file(std::u8string_view relative) const;
  void folder(std::u8string_view relative) const;
  // False when the platform refuses (Windows without the privilege).
  bool symlink(std::u8string_view target, std::u8string_view relative) const;
  bool folderSymlink(std::u8string_view target, std::u8string_view relative) const;
  // Takes every permission away from a folder until the tree is removed.
  void lock(std::u8string_view relative);

  TempFolder scratch;
  std::filesystem::path root;
  std::vector<std::filesystem::path> locked;
};
