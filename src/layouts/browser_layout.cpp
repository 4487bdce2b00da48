#include "layouts/browser_layout.h"

namespace {

using enum FolderRule;

constexpr TagRow kRows[] = {
    {"bg", {"storage"}, fixed, "bgimage", ""},
    {"bg2", {"storage"}, fixed, "bgimage", ""},
    {"image", {"storage"}, imageLayer, "", ""},
    {"chara_new", {"storage"}, fixed, "fgimage", ""},
    {"chara_face", {"storage"}, fixed, "fgimage", ""},
    {"chara_mod", {"storage"}, fixed, "fgimage", ""},
    {"chara_show", {"storage"}, fixed, "fgimage", ""},
    {"chara_layer", {"storage"}, fixed, "fgimage", "none"},
    {"button",
     {"graphic", "enterimg", "clickimg", "activeimg", "autoimg", "skipimg"},
     folderAttribute,
     "image",
     ""},
    {"glink", {"graphic", "enterimg", "clickimg"}, fixed, "image", ""},
    {"mask", {"graphic"}, folderAttribute, "image", ""},
    {"layermode", {"graphic"}, folderAttribute, "image", ""},
    {"cursor", {"storage"}, fixed, "image", "default"},
    {"graph", {"storage"}, fixed, "image", ""},
    {"xanim", {"svg"}, fixed, "image", ""},
    {"position", {"frame"}, fixed, "image", "none"},
    {"dialog_config", {"boximg", "bgimg"}, fixed, "image", ""},
    {"dialog_config_ok",
     {"img", "enterimg", "activeimg", "clickimg"},
     fixed,
     "image",
     ""},
    {"dialog_config_ng",
     {"img", "enterimg", "activeimg", "clickimg"},
     fixed,
     "image",
     ""},
    {"mode_effect",
     {"all", "skip", "auto", "stop", "holdskip", "holdstop"},
     fixed,
     "image",
     "default"},
    {"body", {"bgimage"}, fixed, "bgimage", "transparent"},
    {"save_img", {"storage"}, folderAttribute, "bgimage", "default"},
    {"preload", {"storage"}, gameFolder, "", ""},
};

constexpr TagTable kTable{kRows, false, true};

}  // namespace

const TagTable& browserTagTable() { return kTable; }

#include <vector>

namespace {

// Appends the elements of `path` to `elements`, collapsing "." and "..": returns how
// many ".." climbed above the start (the elements then continue from there).
int appendElements(std::string_view path, std::vector<std::string_view>& elements) {
  int above = 0;
  while (!path.empty()) {
    const std::size_t separator = path.find_first_of("/\\");
    const std::string_view element = path.substr(0, separator);
    if (element == "..") {
      if (elements.empty()) {
        ++above;
      } else {
        elements.pop_back();
      }
    } else if (!element.empty() && element != ".") {
      elements.push_back(element);
    }
    if (separator == std::string_view::npos) break;
    path.remove_prefix(separator + 1);
  }
  return above;
}

}  // namespace

BrowserLoad browserLoadPath(std::string_view value, const LoadPlace& place,
                            std::string_view rootName) {
  // Elements from the game folder down.
  std::vector<std::string_view> elements;
  int above = 0;
  if (place.from == LoadFrom::folder && !value.starts_with("./data/")) {
    elements.push_back(rootName);
    above = appendElements(place.folder, elements);
  }
  above += appendElements(value, elements);
  BrowserLoad load;
  load.namesFile = above == 0;
  std::size_t first = 0;
  if (!elements.empty() && elements.front() == rootName && load.namesFile) {
    first = 1;
  } else {
    for (int i = 0; i <= above; ++i) load.path += "../";
  }
  for (std::size_t i = first; i < elements.size(); ++i) {
    if (i > first) load.path += '/';
    load.path += elements[i];
  }
  return load;
}
