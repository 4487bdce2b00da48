#include "layouts/layout.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

std::string_view layoutName(Layout layout) {
  switch (layout) {
    case Layout::browser:
      return "browser";
    case Layout::desktop:
      return "desktop";
    case Layout::plain:
      break;
  }
  return "plain";
}

std::optional<Layout> layoutNamed(std::wstring_view name) {
  for (const Layout layout : {Layout::plain, Layout::browser, Layout::desktop}) {
    const std::string_view known = layoutName(layout);
    if (std::wstring_view(name).size() == known.size() &&
        std::equal(known.begin(), known.end(), name.begin())) {
      return layout;
    }
  }
  return std::nullopt;
}

namespace {

bool isFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool isFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

Layout detectLayout(const fs::path& root) {
  const fs::path parent = root.parent_path();
  if (isFile(parent / "index.html") &&
      (isFolder(root / "bgimage") || isFolder(root / "fgimage") ||
       isFolder(root / "image"))) {
    return Layout::browser;
  }
  if (isFile(root / "startup.tjs") || isFile(parent / "startup.tjs") ||
      isFile(root / "system" / "Initialize.tjs")) {
    return Layout::desktop;
  }
  return Layout::plain;
}
