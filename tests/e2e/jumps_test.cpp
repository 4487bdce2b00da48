// Whole runs over projects of both layouts with jumps, sounds and videos: the
// console's lines after each script's images, the report's lines after every image,
// the summary's second line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;

namespace {

struct LoadCase {
  const char* name;
  std::vector<ProjectFile> files;  // the project's root is "data" below them
  std::vector<std::string> arguments;
  // The console from the first script on, the report's name as {report}, found
  // folders' separators as {sep}.
  std::string console;
  std::string report;  // after the byte-order mark
  int exitCode = 0;
};

void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.name; }

std::string fromFirstScript(const std::string& out) {
  const std::size_t first = out.find("[INFO] 処理中: ");
  return first == std::string::npos ? out : out.substr(first);
}

std::string withReportName(std::string text, const std::string& report) {
  const std::string marker = "{report}";
  for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker)) {
    text.replace(at, marker.size(), report);
  }
  return text;
}

class LoadRuns : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadRuns, ReportEveryJumpSoundAndVideo) {
  const LoadCase& c = GetParam();
  TempProject project;
  project.write(c.files);
  const ProgramResult result = runProgramIn(project.root / "data", c.arguments);
  EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
  std::string report = project.read(project.root / "data" / "placeholder");
  for (const auto& entry : fs::directory_iterator(project.root / "data")) {
    if (entry.path().filename().string().starts_with("tag_report_image_")) {
      report = project.read(entry.path());
      EXPECT_EQ(fromFirstScript(result.out),
                withReportName(withPlatformSeparator(c.console),
                               entry.path().filename().string()));
    }
  }
  EXPECT_EQ(report, "\xEF\xBB\xBF" + withPlatformSeparator(c.report));
}

// The root of a browser-style game (index.html beside data/), and of a desktop-style
// one (startup.tjs in data/).
const ProjectFile kGameFolder = {"index.html", ""};
const ProjectFile kBrowserImages = {"data/bgimage/room.jpg", ""};
const ProjectFile kStartup = {"data/startup.tjs", ""};

const LoadCase kBrowserJumps[] = {
    {"within a script and to others",
     {kGameFolder,
      kBrowserImages,
      {"data/scenario/a.ks",
       "*start|はじめ\n"
       "[jump target=*start][jump target=start][jump target=*][jump storage=\"\" "
       "target=*start]\n"
       "[jump target=*endng]\n"
       "*ending\n"
       "[jump storage=first.ks target=*Ev07][call storage=first.ks target=*Ev03]\n"
       "[link storage=sub/b.ks]選ぶ[endlink]\n"
       "[call storage=b.ks]\n"
       "[jump storage=Sub/b.ks]\n"
       "[jump storage=title.ks]\n"},
      {"data/scenario/first.ks", "*Ev03\n*Ev04\n*Ev06\n"},
      {"data/scenario/sub/b.ks", "*b\n"},
      {"data/scenario/title_screen.ks", ""}},
     {},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 3 (a.ks *endng)\n"
     "[INFO] 似た名前のラベルがあります: *ending\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 5 (first.ks *Ev07)\n"
     "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 7 (b.ks)\n"
     "[INFO] 似た名前のファイルがあります: sub/b.ks\n"
     "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 8 (Sub/b.ks)\n"
     "[INFO] 似た名前のファイルがあります: sub/b.ks\n"
     "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 9 (title.ks)\n"
     "[INFO] 似た名前のファイルがあります: title_screen.ks\n"
     "[INFO] 完了: a.ks (1/3)\n"
     "[INFO] 処理中: first.ks ...\n"
     "[INFO] 完了: first.ks (2/3)\n"
     "[INFO] 処理中: title_screen.ks ...\n"
     "[INFO] 完了: title_screen.ks (3/3)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 3 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 11 件 (見つからない: 5 件), 音声: 0 件 (見つからない: 0 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 3): ジャンプ先 a.ks *endng -> 存在しません\n"
     "■a.ks (行 5): ジャンプ先 first.ks *Ev07 -> 存在しません\n"
     "■a.ks (行 7): ジャンプ先 b.ks -> 存在しません\n"
     "■a.ks (行 8): ジャンプ先 Sub/b.ks -> 存在しません\n"
     "■a.ks (行 9): ジャンプ先 title.ks -> 存在しません\n"},
    {"labels the game does not see, labels twice, values decided at run time",
     {kGameFolder,
      kBrowserImages,
      {"data/scenario/a.ks",
       "*start\n"
       "*|見出し\n"
       "; *dead\n"
       "/*\n"
       "*blocked\n"
       "*/\n"
       "  *spaced  |見出し\n"
       "[jump target=*dead][jump target=*blocked][jump target=*spaced][jump "
       "target=*見出し]\n"
       "*start\n"
       "[jump storage=&f.next target=*x][jump storage=a.ks target=&f.label][call "
       "target=%t]\n"
       "; [jump target=*commented]\n"
       "[button exp=\"f.x=1\"][button role=menu target=*nowhere][button fix=true "
       "target=*menu][button fix=true storage=a.ks target=*menu]\n"}},
     {},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 8 (a.ks *dead)\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 8 (a.ks *blocked)\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 8 (a.ks *見出し)\n"
     "[WARNING] 同じ名前のラベルがあります: a.ks 行 9 (*start, 最初は 行 1)\n"
     "[INFO] 固定ボタンのジャンプ先はクリック時のスクリプトで決まります: a.ks 行 12 "
     "(*menu)\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 12 (a.ks *menu)\n"
     "[INFO] 完了: a.ks (1/1)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 1 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 7 件 (見つからない: 4 件), 音声: 0 件 (見つからない: 0 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 8): ジャンプ先 a.ks *dead -> 存在しません\n"
     "■a.ks (行 8): ジャンプ先 a.ks *blocked -> 存在しません\n"
     "■a.ks (行 8): ジャンプ先 a.ks *見出し -> 存在しません\n"
     "■a.ks (行 12): ジャンプ先 a.ks *menu -> 存在しません\n"},
    {"a macro's body means the script that defines it",
     {kGameFolder,
      kBrowserImages,
      {"data/scenario/a.ks",
       "*local\n"
       "[go t=*there][go t=*local][go]\n"
       "[away s=first.ks][away s=gone.ks]\n"},
      {"data/scenario/first.ks", "*x\n"},
      {"data/others/plugin/jumps/init.ks",
       "*there\n"
       "[macro name=go][jump target=%t|*there][endmacro]\n"
       "[macro name=away][jump storage=%s target=*x][endmacro]\n"
       "[macro name=broken][jump target=*nowhere][endmacro]\n"}},
     {"--fail-on-missing"},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 2 "
     "(others/plugin/jumps/init.ks *local)\n"
     "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 3 (gone.ks)\n"
     "[INFO] 完了: a.ks (1/2)\n"
     "[INFO] 処理中: first.ks ...\n"
     "[INFO] 完了: first.ks (2/2)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 5 件 (見つからない: 2 件), 音声: 0 件 (見つからない: 0 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 2): ジャンプ先 others/plugin/jumps/init.ks *local -> 存在しません\n"
     "■a.ks (行 3): ジャンプ先 gone.ks -> 存在しません\n",
     2},
};

INSTANTIATE_TEST_SUITE_P(BrowserJumps, LoadRuns, testing::ValuesIn(kBrowserJumps));

const LoadCase kDesktopJumps[] = {
    {"labels need their star; scripts are searched on the path",
     {kStartup,
      {"data/scenario/a.ks",
       "*start\n"
       "\t*tabbed\n"
       "  *spaced\n"
       "*e2 |見出し\n"
       "[jump target=*start][JUMP target=*tabbed][jump target=start][jump "
       "target=*spaced]\n"
       "[jump target=*e2][jump target=\"*e2 \"]\n"
       "[jump storage=B.KS target=*b][call storage=scenario/sub/c.ks][call "
       "storage=c.ks]\n"
       "[rclick jump=true target=*none][rclick storage=gone.ks]\n"},
      {"data/scenario/b.ks", "*b\n"},
      {"data/scenario/sub/c.ks", ""}},
     {"--fail-on-missing"},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] ラベルは * で始めます: a.ks 行 5 (start)\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 5 (a.ks *spaced)\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 6 (a.ks *e2)\n"
     "[WARNING] ジャンプ先のスクリプトがありません: a.ks 行 7 (c.ks)\n"
     "[INFO] 似た名前のファイルがあります: scenario/sub/c.ks\n"
     "[WARNING] ジャンプ先のラベルがありません: a.ks 行 8 (a.ks *none)\n"
     "[INFO] 完了: a.ks (1/2)\n"
     "[INFO] 処理中: b.ks ...\n"
     "[INFO] 完了: b.ks (2/2)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 10 件 (見つからない: 5 件), 音声: 0 件 (見つからない: 0 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 5): ジャンプ先 a.ks start -> * で始まっていません\n"
     "■a.ks (行 5): ジャンプ先 a.ks *spaced -> 存在しません\n"
     "■a.ks (行 6): ジャンプ先 a.ks *e2 -> 存在しません\n"
     "■a.ks (行 7): ジャンプ先 c.ks -> 存在しません\n"
     "■a.ks (行 8): ジャンプ先 a.ks *none -> 存在しません\n",
     2},
    {"a macro's jump without storage goes where each call is",
     {kStartup,
      {"data/scenario/a.ks", "*back\n[goBack]\n[there]\n"},
      {"data/scenario/b.ks", "[GOBACK]\n"},
      {"data/system/macros.ks",
       "[macro name=goback][jump target=*back][endmacro]\n"
       "[macro name=there][jump storage=b.ks target=*nowhere][endmacro]\n"}},
     {},
     "[INFO] 処理中: a.ks ...\n"
     "[INFO] 完了: a.ks (1/2)\n"
     "[INFO] 処理中: b.ks ...\n"
     "[WARNING] ジャンプ先のラベルがありません: b.ks 行 1 (b.ks *back)\n"
     "[INFO] 完了: b.ks (2/2)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 2 件 (見つからない: 1 件), 音声: 0 件 (見つからない: 0 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■b.ks (行 1): ジャンプ先 b.ks *back -> 存在しません\n"},
};

INSTANTIATE_TEST_SUITE_P(DesktopJumps, LoadRuns, testing::ValuesIn(kDesktopJumps));

const LoadCase kSounds[] = {
    {"browser-style: each from its folder, the path as written",
     {kGameFolder,
      kBrowserImages,
      {"data/bgm/theme.ogg", ""},
      {"data/bgm/Traning.mp3", ""},
      {"data/sound/bigshot1.wav", ""},
      {"data/sound/click.ogg", ""},
      {"data/sound/se1.ogg", ""},
      {"data/video/op.webm", ""},
      {"data/scenario/a.ks",
       "[playbgm storage=theme.ogg][playbgm storage=Traning.mp3.mp3]\n"
       "[playse storage=bigshot1.mp3][playse storage=click]\n"
       "[playbgm storage=se1.ogg target=se][fadeinse storage=./data/sound/click.ogg]\n"
       "[playse storage=../bgm/theme.ogg][playse storage=http://example.com/a.ogg]\n"
       "[glink target=*x clickse=click.ogg enterse=Click.ogg]\n"
       "*x\n"
       "[movie storage=op.webm][bgmovie storage=ed.webm]\n"}},
     {},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 1 (Traning.mp3.mp3)\n"
     "[INFO] 似た名前のファイルがあります: bgm{sep}Traning.mp3\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 2 (bigshot1.mp3)\n"
     "[INFO] 似た名前のファイルがあります: sound{sep}bigshot1.wav\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 2 (click)\n"
     "[INFO] 似た名前のファイルがあります: sound{sep}click.ogg\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 5 (Click.ogg)\n"
     "[INFO] 似た名前のファイルがあります: sound{sep}click.ogg\n"
     "[WARNING] 動画ファイルが見つかりません: a.ks 行 7 (ed.webm)\n"
     "[INFO] 完了: a.ks (1/1)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 1 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 1 件 (見つからない: 0 件), 音声: 9 件 (見つからない: 4 件), "
     "動画: 2 件 (見つからない: 1 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 1): 音声 Traning.mp3.mp3 -> 存在しません\n"
     "■a.ks (行 2): 音声 bigshot1.mp3 -> 存在しません\n"
     "■a.ks (行 2): 音声 click -> 存在しません\n"
     "■a.ks (行 5): 音声 Click.ogg -> 存在しません\n"
     "■a.ks (行 7): 動画 ed.webm -> 存在しません\n"},
    {"browser-style: a folder the project lacks is said once",
     {kGameFolder,
      kBrowserImages,
      {"data/sound/a.ogg", ""},
      {"data/scenario/a.ks", "[playbgm storage=a.ogg]\n[fadeinbgm storage=b.ogg]\n"},
      {"data/scenario/b.ks", "[xchgbgm storage=a.ogg][movie storage=op.webm]\n"}},
     {"--fail-on-missing"},
     "[INFO] 処理中: a.ks ...\n"
     "[INFO] 完了: a.ks (1/2)\n"
     "[INFO] 処理中: b.ks ...\n"
     "[INFO] 完了: b.ks (2/2)\n"
     "[WARNING] bgm フォルダがありません: 3 件の音声を確認できません\n"
     "[WARNING] video フォルダがありません: 1 件の動画を確認できません\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 3 件 (見つからない: 3 件), "
     "動画: 1 件 (見つからない: 1 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "[WARNING] bgm フォルダがありません: 3 件の音声を確認できません\n"
     "[WARNING] video フォルダがありません: 1 件の動画を確認できません\n",
     2},
    {"desktop-style: on the search path, with the sound extensions tried",
     {kStartup,
      {"data/sound/se01.wav", ""},
      {"data/sound/se02.ogg", ""},
      {"data/bgm/bgm01.OGG", ""},
      {"data/other/deep.wav", ""},
      {"data/video/op.mpg", ""},
      {"data/scenario/a.ks",
       "[playse storage=se01][playse storage=se02.mp3][playbgm storage=BGM01]\n"
       "[playse storage=deep][playvideo storage=op][openvideo storage=op.mpg]\n"
       "[click se=se01][playse storage=&f.se][playse storage=se9]\n"}},
     {},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 2 (deep)\n"
     "[INFO] 似た名前のファイルがあります: other{sep}deep.wav\n"
     "[WARNING] 動画ファイルが見つかりません: a.ks 行 2 (op)\n"
     "[INFO] 似た名前のファイルがあります: video{sep}op.mpg\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 3 (se9)\n"
     "[INFO] 完了: a.ks (1/1)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 1 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 0 件 (見つからない: 0 件), 音声: 6 件 (見つからない: 2 件), "
     "動画: 2 件 (見つからない: 1 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 2): 音声 deep -> 存在しません\n"
     "■a.ks (行 2): 動画 op -> 存在しません\n"
     "■a.ks (行 3): 音声 se9 -> 存在しません\n"},
};

INSTANTIATE_TEST_SUITE_P(Sounds, LoadRuns, testing::ValuesIn(kSounds));

// A project of no layout follows the browser-style tags and places.
const LoadCase kPlain[] = {
    {"plain: as browser-style",
     {{"data/sound/a.ogg", ""},
      {"data/scenario/a.ks",
       "*a\n[jump storage=b.ks target=*b][playse storage=a.ogg][playse storage=b.ogg]\n"
       "[JUMP target=*nowhere]\n"},
      {"data/scenario/b.ks", "*b\n"}},
     {"--check", "jumps,sounds"},
     "[INFO] 処理中: a.ks ...\n"
     "[WARNING] 音声ファイルが見つかりません: a.ks 行 2 (b.ogg)\n"
     "[INFO] 完了: a.ks (1/2)\n"
     "[INFO] 処理中: b.ks ...\n"
     "[INFO] 完了: b.ks (2/2)\n"
     "[INFO] 画像参照: 0 件 (存在: 0 件, 見つからない: 0 件), スクリプト: 2 件 "
     "(見つからない・開けない: 0 件)\n"
     "[INFO] ジャンプ先: 1 件 (見つからない: 0 件), 音声: 2 件 (見つからない: 1 件), "
     "動画: 0 件 (見つからない: 0 件)\n"
     "[INFO] 全ての処理が完了しました: {report} に出力しました\n",
     "■a.ks (行 2): 音声 b.ogg -> 存在しません\n"},
};

INSTANTIATE_TEST_SUITE_P(Plain, LoadRuns, testing::ValuesIn(kPlain));

}  // namespace
