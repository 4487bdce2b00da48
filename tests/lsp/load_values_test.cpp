#include "lsp/load_values.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace {

void write(const TempTree& tree, std::u8string_view name, std::string_view text) {
  tree.file(name);
  std::ofstream(tree.path(name), std::ios::binary) << text;
}

// A value as one line: its kind, where it is, the script a label's tag names and the
// folder a sound loads from; "none" outside such values. "|" in `line` is the cursor.
std::string describe(const ProjectState& project, std::string line) {
  const std::size_t cursor = line.find('|');
  line.erase(cursor, 1);
  const std::optional<LoadValue> value = loadValueAt(project, line, cursor);
  if (!value) return "none";
  const char* kinds[] = {"script", "label", "sound", "video"};
  return std::string(kinds[static_cast<int>(value->kind)]) + " " +
         std::to_string(value->begin) + "-" + std::to_string(value->end) + " [" +
         value->storage + "] [" + value->folder + "]";
}

TEST(LoadValues, TheLayoutsTableSaysWhatAValueNames) {
  TempTree tree;
  tree.file(u8"browser/index.html");
  tree.file(u8"browser/data/bgimage/room.jpg");
  tree.file(u8"desktop/startup.tjs");
  const ProjectState browser = openProject(tree.path(u8"browser/data"));
  const ProjectState desktop = openProject(tree.path(u8"desktop"));
  const struct {
    const ProjectState& project;
    const char* line;
    const char* value;
  } cases[] = {
      {browser, "[jump storage=a.ks target=*x|]", "label 26-28 [a.ks] []"},
      {browser, "[jump storage=|]", "script 14-14 [] []"},
      {browser, "@jump storage=\" sub/a.ks \" target=|", "label 34-34 [sub/a.ks] []"},
      {browser, "[button fix=true target=*m|]", "label 24-26 [] []"},
      {browser, "[button role=menu storage=|]", "none"},  // a button with a role
      {browser, "[dialog storage_cancel=b.ks target_cancel=|]", "label 42-42 [b.ks] []"},
      {browser, "[playbgm storage=|]", "sound 17-17 [] [bgm]"},
      {browser, "[playbgm target=se storage=|]", "sound 27-27 [] [sound]"},
      {browser, "[glink clickse=\"a|.ogg\"]", "sound 16-21 [] [sound]"},
      {browser, "[movie storage=op|]", "video 15-17 [] [video]"},
      {browser, "[layermode_movie video=|]", "video 23-23 [] [video]"},
      {browser, "[bg storage=|]", "none"},    // an image
      {browser, "[Jump storage=|]", "none"},  // letter case counts
      {browser, "[jump storage=a.ks] |", "none"},
      {desktop, "[JUMP Storage=a.ks Target=*x|]", "label 26-28 [a.ks] []"},
      {desktop, "@jump storage=\"a.ks \" target=|", "label 29-29 [a.ks ] []"},
      {desktop, "[rclick storage=|]", "none"},  // only with jump or call
      {desktop, "[rclick jump=true storage=|]", "script 26-26 [] []"},
      {desktop, "[click se=|]", "sound 10-10 [] []"},
      {desktop, "[playvideo storage=|]", "video 19-19 [] []"},
  };
  for (const auto& [project, line, value] : cases) {
    EXPECT_EQ(describe(project, line), value) << line;
  }
}

std::vector<std::string> texts(const std::vector<OfferedLoad>& offered) {
  std::vector<std::string> out;
  for (const OfferedLoad& load : offered) out.push_back(load.text + " = " + load.detail);
  return out;
}

std::vector<std::string> offeredAt(const ProjectState& project, std::string line,
                                   const CheckedScript& checked = {}) {
  const std::size_t cursor = line.find('|');
  line.erase(cursor, 1);
  const std::optional<LoadValue> value = loadValueAt(project, line, cursor);
  if (!value) return {"none"};
  return texts(loadsOffered(project, *value, checked));
}

// What completion offers is what the game would find by that name.
TEST(LoadValues, OffersWhatTheGameFindsByThatName) {
  TempTree tree;
  tree.file(u8"browser/index.html");
  tree.file(u8"browser/data/bgimage/room.jpg");
  write(tree, u8"browser/data/scenario/first.ks", "*start\n*ending\n*start\n");
  write(tree, u8"browser/data/scenario/sub/b.ks", "");
  write(tree, u8"browser/data/others/plugin.ks", "");  // outside scenario
  tree.file(u8"browser/data/bgm/theme.ogg");
  tree.file(u8"browser/data/bgm/notes.txt");
  tree.file(u8"browser/data/bgm/old/Theme2.MP3");
  tree.file(u8"browser/data/video/op.webm");
  const ProjectState browser = openProject(tree.path(u8"browser/data"));
  CheckedScript own;
  own.utf8Script = "scenario/main.ks";
  own.labels = {{"top", 1}, {"top", 4}, {"end", 9}};
  EXPECT_EQ(offeredAt(browser, "[jump storage=first.ks target=|]"),
            (std::vector<std::string>{"*start = scenario/first.ks 行 1",
                                      "*ending = scenario/first.ks 行 2"}));
  EXPECT_EQ(offeredAt(browser, "[link target=|]", own),
            (std::vector<std::string>{"*top = scenario/main.ks 行 1",
                                      "*end = scenario/main.ks 行 9"}));
  EXPECT_EQ(offeredAt(browser, "[jump storage=&f.s target=|]"),
            std::vector<std::string>{});
  EXPECT_EQ(offeredAt(browser, "[jump storage=gone.ks target=|]"),
            std::vector<std::string>{});
  EXPECT_EQ(offeredAt(browser, "[call storage=|]"),
            (std::vector<std::string>{"first.ks = scenario/first.ks",
                                      "sub/b.ks = scenario/sub/b.ks"}));
  EXPECT_EQ(offeredAt(browser, "[playbgm storage=|]"),
            (std::vector<std::string>{"old/Theme2.MP3 = bgm/old/Theme2.MP3",
                                      "theme.ogg = bgm/theme.ogg"}));
  EXPECT_EQ(offeredAt(browser, "[playse storage=|]"), std::vector<std::string>{});
  EXPECT_EQ(offeredAt(browser, "[bgmovie storage=|]"),
            std::vector<std::string>{"op.webm = video/op.webm"});

  tree.file(u8"desktop/startup.tjs");
  write(tree, u8"desktop/scenario/first.ks", "");
  write(tree, u8"desktop/scenario/d.ks", "");
  write(tree, u8"desktop/system/d.ks", "");  // registered later: searched first
  write(tree, u8"desktop/deep/far.ks", "");  // off the search path
  tree.file(u8"desktop/bgm/theme.ogg");
  tree.file(u8"desktop/sound/click.wav");
  tree.file(u8"desktop/sound/click.png");
  tree.file(u8"desktop/deep/far.wav");
  tree.file(u8"desktop/video/op.mpg");
  const ProjectState desktop = openProject(tree.path(u8"desktop"));
  EXPECT_EQ(
      offeredAt(desktop, "[jump storage=|]"),
      (std::vector<std::string>{"first.ks = scenario/first.ks", "d.ks = system/d.ks"}));
  EXPECT_EQ(offeredAt(desktop, "[button clickse=|]"),
            (std::vector<std::string>{"theme.ogg = bgm/theme.ogg",
                                      "click.wav = sound/click.wav"}));
  EXPECT_EQ(offeredAt(desktop, "[openvideo storage=|]"),
            std::vector<std::string>{"op.mpg = video/op.mpg"});
}

// Each broken load's fixes, as "line: fix fix".
std::vector<std::string> fixesOf(const std::string& text, ProjectState& project) {
  const CheckedScript checked = checkScriptText(text, project, "scenario/main.ks");
  std::vector<std::string> out;
  std::size_t lineStart = 0;
  std::vector<std::string_view> lines;
  for (std::size_t end; (end = text.find('\n', lineStart)) != std::string::npos;
       lineStart = end + 1) {
    lines.push_back(std::string_view(text).substr(lineStart, end - lineStart));
  }
  for (const CheckedLoad& load : checked.loads) {
    if (load.findings.empty()) continue;
    std::string line = std::to_string(load.line) + ":";
    for (const std::string& fix : loadFixesOf(checked, load, lines[load.line], project)) {
      line += " " + fix;
    }
    out.push_back(line);
  }
  return out;
}

// A fix is offered only when the line with it resolves as a run checks it.
TEST(LoadValues, FixesResolveWhereTheTagLoads) {
  TempTree tree;
  tree.file(u8"index.html");
  tree.file(u8"data/bgimage/room.jpg");
  write(tree, u8"data/scenario/sub/title.ks", "*other\n");
  write(tree, u8"data/scenario/title_screen.ks", "*menu\n");
  write(tree, u8"data/scenario/system/macros.ks",
        "*ending\n[macro name=go][jump target=%t|*endng][endmacro]\n");
  tree.file(u8"data/sound/bigshot1.wav");
  tree.file(u8"data/bgm/bigshot1.mp3");
  ProjectState project = openProject(tree.path(u8"data"));
  const std::string text =
      "\xEF\xBB\xBF[jump target=endng]\n"
      "*ending\n"
      // Two scripts may have been meant: only one has the label.
      "[jump storage=title.ks target=*menu][jump storage=title.ks]\n"
      // Another sound of the stem where the tag loads, not the same name elsewhere.
      "[playse storage=bigshot1.mp3]\n"
      // A call's value is fixed where it is written (a label of the script that
      // defines the macro); a default is not written here.
      "[go t=*endng][go]\n";
  EXPECT_EQ(fixesOf(text, project), (std::vector<std::string>{
                                        "0: ending",
                                        "2: title_screen.ks",
                                        "2: sub/title.ks title_screen.ks",
                                        "3: bigshot1.wav",
                                        "4: *ending",
                                        "4:",
                                    }));
}

}  // namespace
