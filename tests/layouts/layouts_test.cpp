#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "layouts/layout.h"
#include "layouts/search_path.h"
#include "support/temp_tree.h"

namespace {

void writeFile(const TempTree& tree, std::u8string_view relative, std::string_view text) {
  tree.file(relative);
  std::ofstream(tree.path(relative), std::ios::binary) << text;
}

TEST(BrowserLayout, LoadPathsCollapseAndStayInTheGameFolder) {
  struct Case {
    std::string_view value;
    LoadPlace place;
    std::string path;
    bool namesFile;
  };
  const LoadPlace bg{LoadFrom::folder, "bgimage"};
  const LoadPlace game{LoadFrom::gameFolder, {}};
  const Case cases[] = {
      {"room.jpg", bg, "bgimage/room.jpg", true},
      {"sub/./room.jpg", bg, "bgimage/sub/room.jpg", true},
      {"sub\\room.jpg", bg, "bgimage/sub/room.jpg", true},
      {"../fgimage/a.png", bg, "fgimage/a.png", true},
      {"../../lib/images/system/bg_base.png", bg, "../lib/images/system/bg_base.png",
       true},
      {"../../../x.png", bg, "../../x.png", false},
      {"./data/bgimage/room.jpg", bg, "bgimage/room.jpg", true},
      {"data/fgimage/girl/S/base.png", game, "fgimage/girl/S/base.png", true},
      {"index.png", game, "../index.png", true},
      {"../a.png", game, "../../a.png", false},
      {"a.png", {LoadFrom::folder, "fgimage/"}, "fgimage/a.png", true},
      {"a.png", {LoadFrom::folder, "./image/ui"}, "image/ui/a.png", true},
  };
  for (const auto& c : cases) {
    const BrowserLoad load = browserLoadPath(c.value, c.place, "data");
    EXPECT_EQ(load.path, c.path) << c.value;
    EXPECT_EQ(load.namesFile, c.namesFile) << c.value;
  }
}

TEST(DesktopLayout, AddAutoPathLiterals) {
  const std::string script =
      "Storages.addAutoPath(\"bgimage/event/\");\n"
      "Storages.addAutoPath( 'extra\\\\' );\n"
      "Storages.addAutoPath(System.exePath + \"video/\");\n"
      "Storages.addAutoPath(\"voice.xp3>\");\n"
      "Storages.addAutoPath(\"prefix\" + x + \"/\");\n"
      "  // Storages.addAutoPath(\"old/\");\n"
      "addAutoPath(\"a/\"); addAutoPath(\"b/\");\n"
      "Storages.addAutoPath(\"noslash\");\n";
  EXPECT_EQ(addAutoPathFolders(script),
            (std::vector<std::string>{"bgimage/event", "extra", "a", "b"}));
}

TEST(DesktopLayout, SearchPathIsTheDefaultsThenTheProjectsFoldersInFileOrder) {
  TempTree tree;
  writeFile(tree, u8"data/startup.tjs", "Storages.addAutoPath(\"first/\");");
  writeFile(tree, u8"startup.tjs", "Storages.addAutoPath(\"second/\");");
  writeFile(tree, u8"data/system/b.TJS", "Storages.addAutoPath(\"fourth/\");");
  writeFile(tree, u8"data/system/A.tjs", "Storages.addAutoPath(\"third/\");");
  writeFile(tree, u8"data/system/c.txt", "Storages.addAutoPath(\"not/\");");
  std::vector<std::string> expected(desktopDefaultSearchFolders().begin(),
                                    desktopDefaultSearchFolders().end());
  for (const char* folder : {"first", "second", "third", "fourth"}) {
    expected.push_back(folder);
  }
  EXPECT_EQ(desktopSearchPath(tree.path(u8"data")), expected);
}

TEST(Layouts, DetectionAndNames) {
  struct Case {
    std::vector<std::u8string> files;
    Layout layout;
  };
  const Case cases[] = {
      {{u8"index.html", u8"data/bgimage/a.png"}, Layout::browser},
      {{u8"index.html", u8"data/image/a.png", u8"data/startup.tjs"}, Layout::browser},
      {{u8"data/bgimage/a.png", u8"data/startup.tjs"}, Layout::desktop},
      {{u8"startup.tjs", u8"data/x"}, Layout::desktop},
      {{u8"data/system/Initialize.tjs"}, Layout::desktop},
      {{u8"index.html", u8"data/scenario/a.ks"}, Layout::plain},
      {{u8"data/bgimage/a.png"}, Layout::plain},
  };
  for (const auto& c : cases) {
    TempTree tree;
    for (const auto& file : c.files) tree.file(file);
    EXPECT_EQ(detectLayout(tree.path(u8"data")), c.layout)
        << std::string(c.files.front().begin(), c.files.front().end());
  }
  for (const Layout layout : {Layout::plain, Layout::browser, Layout::desktop}) {
    const std::string_view name = layoutName(layout);
    EXPECT_EQ(layoutNamed(std::wstring(name.begin(), name.end())), layout);
  }
  EXPECT_EQ(layoutNamed(L"Browser"), std::nullopt);
}

}  // namespace
