#include "layouts/desktop_layout.h"

namespace {

using enum FolderRule;

constexpr TagRow kRows[] = {
    {"image", {"storage", "mapimage"}, searchPath, "", ""},
    {"img", {"storage", "mapimage"}, searchPath, "", ""},
    {"pimage", {"storage"}, searchPath, "", ""},
    {"mapimage", {"storage"}, searchPath, "", ""},
    {"graph", {"storage"}, searchPath, "", ""},
    {"button", {"graphic"}, searchPath, "", ""},
    {"trans", {"rule"}, universalTrans, "", ""},
    {"position", {"frame"}, searchPath, "", ""},
    {"glyph", {"line", "page"}, searchPath, "", ""},
};

constexpr TagTable kTable{kRows, true, false};

constexpr std::string_view kExtensions[] = {".tlg6", ".tlg5", ".tlg",  ".eri", ".png",
                                            ".jif",  ".jpg",  ".jpeg", ".dib", ".bmp"};

constexpr std::string_view kSearchFolders[] = {"video", "others",  "rule",    "sound",
                                               "bgm",   "fgimage", "bgimage", "scenario",
                                               "image", "system"};

}  // namespace

const TagTable& desktopTagTable() { return kTable; }

std::span<const std::string_view> desktopExtensionOrder() { return kExtensions; }

std::span<const std::string_view> desktopDefaultSearchFolders() { return kSearchFolders; }
