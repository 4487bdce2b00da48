// The project file read into settings, and every mistake reported at its place.
#include "project/project_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/temp_project.h"

namespace {

// The settings in one line, every field shown: "-" for a key the file leaves out.
std::string described(const ProjectSettings& settings) {
  const auto list = [](const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& item : items) {
      text += (text.size() > 1 ? "," : "") + item;
    }
    return text + "]";
  };
  std::string text = "layout=";
  text += settings.layout ? layoutName(*settings.layout) : "-";
  text += " encoding=" + settings.encoding.value_or("-");
  text += " search_path=" + list(settings.searchPath);
  text += " scripts=" + (settings.scripts ? list(*settings.scripts) : "-");
  text += " check=" + (settings.checks ? list(*settings.checks) : "-");
  text += " tags=";
  for (const ProjectTag& tag : settings.tags) {
    text += tag.name + list(tag.attributes) + (tag.folder ? "@" + *tag.folder : "") + ";";
  }
  return text;
}

// A root holding the folders the cases name.
struct ProjectFileTest : testing::Test {
  void SetUp() override {
    for (const char* folder : {"evimage", "face", "scenario", "others/plugin", "bgimage",
                               "bg/sub", "data", "顔", "café"}) {
      project.makeFolder(pathOfUtf8(folder));
    }
    project.write("file.png", "");
  }
  TempProject project;
};

TEST_F(ProjectFileTest, ReadsEveryKey) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"", "layout=- encoding=- search_path=[] scripts=- check=- tags="},
      {"# comments only\n\n",
       "layout=- encoding=- search_path=[] scripts=- check=- tags="},
      {"layout = \"desktop\"\n",
       "layout=desktop encoding=- search_path=[] scripts=- check=- tags="},
      {"layout = 'browser'",
       "layout=browser encoding=- search_path=[] scripts=- check=- tags="},
      {"encoding = \"gbk\"",
       "layout=- encoding=gbk search_path=[] scripts=- check=- tags="},
      {"encoding = \"shift-jis\"",
       "layout=- encoding=shift-jis search_path=[] scripts=- check=- tags="},
      // Folders as the index compares them: "/", no "./", no trailing "/".
      {"search_path = [\"evimage\", \"./face/\", 'bg\\sub', \"bg//sub\"]",
       "layout=- encoding=- search_path=[evimage,face,bg/sub,bg/sub] scripts=- check=- "
       "tags="},
      {"search_path = []", "layout=- encoding=- search_path=[] scripts=- check=- tags="},
      {"scripts = [\"scenario\", \"others/plugin\"]",
       "layout=- encoding=- search_path=[] scripts=[scenario,others/plugin] check=- "
       "tags="},
      {"scripts = []", "layout=- encoding=- search_path=[] scripts=[] check=- tags="},
      {"check = [\"images\", \"jumps\", \"sounds\"]",
       "layout=- encoding=- search_path=[] scripts=- check=[images,jumps,sounds] tags="},
      {"check = [\"sounds\"]",
       "layout=- encoding=- search_path=[] scripts=- check=[sounds] tags="},
      // Tags in the order of the file, not the library's sorted one; names as written.
      {"[tags.cg]\nattributes = [\"file\"]\nfolder = \"bgimage\"\n"
       "[tags.Char]\nattributes = [\"face\", \"file\"]\n",
       "layout=- encoding=- search_path=[] scripts=- check=- "
       "tags=cg[file]@bgimage;Char[face,file];"},
      {"tags.zz.attributes = [\"storage\"]\ntags.aa = { attributes = [\"file\"], folder "
       "= "
       "\"data\" }\n",
       "layout=- encoding=- search_path=[] scripts=- check=- "
       "tags=zz[storage];aa[file]@data;"},
      // Letters toml++ 3.3 cannot read bare (Latin, Cyrillic) are kept in strings.
      {"# café\n[tags.\"Привет\"]\nattributes = ['é', \"\"\"ж\"\"\"]\nfolder = "
       "\"café\"\n",
       "layout=- encoding=- search_path=[] scripts=- check=- tags=Привет[é,ж]@café;"},
      // The issue's example, with a byte-order mark and Windows line ends.
      {"\xEF\xBB\xBFlayout = \"desktop\"\r\nencoding = \"gbk\"\r\nsearch_path = "
       "[\"evimage\", \"face\"]\r\nscripts = [\"scenario\", \"others/plugin\"]\r\n"
       "check = [\"images\", \"jumps\", \"sounds\"]\r\n\r\n[tags.cg]\r\nattributes = "
       "[\"file\"]   # 画像\r\nfolder = \"bgimage\"\r\n",
       "layout=desktop encoding=gbk search_path=[evimage,face] "
       "scripts=[scenario,others/plugin] check=[images,jumps,sounds] "
       "tags=cg[file]@bgimage;"},
  };
  for (const Case& c : cases) {
    const ProjectFileReading reading =
        parseProjectFile(c.text, "ks-image-check.toml", project.root);
    EXPECT_TRUE(reading.errors.empty())
        << c.text << "\n"
        << (reading.errors.empty() ? "" : reading.errors[0].text);
    EXPECT_EQ(described(reading.settings), c.expected) << c.text;
    EXPECT_EQ(reading.settings.utf8Path, "ks-image-check.toml");
  }
}

TEST_F(ProjectFileTest, ReportsEveryMistakeAtItsLineAndColumn) {
  struct Case {
    const char* text;
    const char* expected;  // every line, as the console and the log show them
  };
  const Case cases[] = {
      // Syntax: the library's own words after ours.
      {"layout = \"desktop\nencoding = \"gbk\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 18: TOML "
       "として読めません: "
       "Error while parsing string: unescaped control characters other than TAB (U+0009) "
       "are explicitly prohibited\n"},
      {"layout = \"plain\"\nlayout = \"desktop\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 10: TOML "
       "として読めません: "
       "Error while parsing key-value pair: cannot redefine existing string 'layout'\n"},
      {"# 設定\n# \x90\xDD\x92\xE8\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 3: UTF-8 "
       "として読めないバイトがあります (UTF-8 で保存してください)\n"},
      // Letters toml++ 3.3 would meet undefined behaviour on: a syntax error, quoted
      // as written; inside strings they are text (see ReadsEveryKey).
      {"  é = 1\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 3: TOML "
       "として読めません: Error while parsing root table: expected keys, tables, "
       "whitespace or comments, saw 'é'\n"},
      {"あ = 1\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 1: TOML "
       "として読めません: Error while parsing root table: expected keys, tables, "
       "whitespace or comments, saw 'あ'\n"},
      {"a = -\"Ґ\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 5: TOML "
       "として読めません: Error while parsing value: could not determine value type\n"},
      {"[tags.Привет]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 7: TOML "
       "として読めません: Error while parsing key: expected bare key starting character "
       "or string delimiter, saw 'П'\n"},
      {"a = 1 # \xF3\xB0\x83\xA9\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 9: TOML "
       "として読めません: 使えない文字があります (U+F00E9)\n"},
      // Unknown keys, with the key they are probably a typo of, or the keys there are.
      {"serch_path = [\"evimage\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 1: 不明なキーです: "
       "serch_path (search_path のことですか)\n"},
      {"  Layout = \"plain\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 3: 不明なキーです: "
       "Layout (layout のことですか)\n"},
      {"checks = [\"images\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 1: 不明なキーです: "
       "checks (check のことですか)\n"},
      {"colour = \"red\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 1: 不明なキーです: "
       "colour (使えるキー: layout, encoding, search_path, scripts, check, tags)\n"},
      {"[tag.cg]\nattributes = [\"file\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 2: 不明なキーです: "
       "tag (tags のことですか)\n"},
      {"[tags.cg]\nattributes = [\"file\"]\nfolders = \"bgimage\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 1: 不明なキーです: "
       "folders (folder のことですか)\n"},
      {"[tags.cg]\nattributes = [\"file\"]\nlayer = 1\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 1: 不明なキーです: "
       "layer (使えるキー: attributes, folder)\n"},
      // Values of the wrong type, and words that are not allowed.
      {"layout = 3\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 10: layout "
       "の値は文字列で書きます (例: \"plain\")\n"},
      {"layout = \"desktp\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 10: layout "
       "に使えない値です: desktp (plain, browser, desktop のどれかを書きます)\n"},
      {"encoding = \"sjis\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 12: encoding "
       "に使えない値です: sjis (auto, utf-8, shift-jis, gbk, big5 のどれかを書きます)\n"},
      {"search_path = \"evimage\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 15: search_path "
       "の値は文字列の配列で書きます (例: [\"evimage\", \"face\"])\n"},
      {"scripts = [\"scenario\", 3]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 24: scripts "
       "の要素は文字列で書きます\n"},
      {"check = [\"images\", \"image\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 20: check "
       "に使えない値です: image (images, jumps, sounds のどれかを書きます)\n"},
      {"check = []\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 9: check には images, "
       "jumps, sounds から 1 つ以上書きます\n"},
      {"tags = 3\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 8: tags "
       "の値はテーブルで書きます (例: [tags.cg])\n"},
      {"tags.cg = \"file\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 11: tags.cg "
       "の値はテーブルで書きます (例: [tags.cg])\n"},
      {"[tags.cg]\nattributes = \"file\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 14: tags.cg.attributes "
       "の値は文字列の配列で書きます (例: [\"file\"])\n"},
      {"[tags.cg]\nattributes = [\"file\"]\nfolder = [\"bgimage\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 10: tags.cg.folder "
       "の値は文字列で書きます (例: \"bgimage\")\n"},
      // What a tag must have.
      {"[tags.cg]\nfolder = \"bgimage\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 7: tags.cg に "
       "attributes "
       "がありません (例: attributes = [\"file\"])\n"},
      {"[tags.cg]\nattributes = []\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 14: tags.cg.attributes "
       "に属性名を 1 つ以上書きます\n"},
      {"[tags.cg]\nattributes = [\"file\", \"\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 2 列 23: tags.cg.attributes "
       "に空の属性名があります\n"},
      {"[tags.\"\"]\nattributes = [\"file\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 7: タグ名が空です\n"},
      // Folders: below the root, and there.
      {"search_path = [\"evimage\", \"facee\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 27: search_path "
       "のフォルダがありません: facee\n"},
      {"scripts = [\"file.png\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 12: scripts "
       "のフォルダがありません: file.png\n"},
      {"[tags.cg]\nattributes = [\"file\"]\nfolder = \"fgimage\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 3 列 10: tags.cg.folder "
       "のフォルダがありません: fgimage\n"},
      {"scripts = [\"../scenario\", \"/scenario\", \"scenario/../..\", \".\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 12: scripts "
       "にはルートの下のフォルダを相対パスで書きます: ../scenario\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 27: scripts "
       "にはルートの下のフォルダを相対パスで書きます: /scenario\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 40: scripts "
       "にはルートの下のフォルダを相対パスで書きます: scenario/../..\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 58: scripts "
       "にはルートの下のフォルダを相対パスで書きます: .\n"},
      {"search_path = [\"\"]\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 16: search_path "
       "のフォルダ名が空です\n"},
      // Columns count characters; every mistake is reported, in the file's order.
      {"search_path = [\"顔\", \"nope\"]\n# 日本語の説明\n[tags.\"顔\"]\nattributes = "
       "[\"face\"]\nfolder = \"顔画像\"\n[tags.cg]\nattribute = [\"file\"]\n\nlayout = "
       "\"Desktop\"\n",
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 1 列 21: search_path "
       "のフォルダがありません: nope\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 5 列 10: tags.顔.folder "
       "のフォルダがありません: 顔画像\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 6 列 7: tags.cg に "
       "attributes "
       "がありません (例: attributes = [\"file\"])\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 7 列 1: 不明なキーです: "
       "attribute (attributes のことですか)\n"
       "[エラー] 設定ファイルの誤り: ks-image-check.toml 行 9 列 1: 不明なキーです: "
       "layout (layout は [tags.cg] より前に書きます)\n"},
  };
  for (const Case& c : cases) {
    const ProjectFileReading reading =
        parseProjectFile(c.text, "ks-image-check.toml", project.root);
    std::string lines;
    for (const ProjectFileError& error : reading.errors) {
      lines += projectFileErrorLine(reading.settings.utf8Path, error);
    }
    EXPECT_EQ(lines, c.expected) << c.text;
  }
}

TEST_F(ProjectFileTest, FindsTheFileOfARun) {
  project.write("ks-image-check.toml", "layout = \"browser\"\n");
  project.write("tools/other.toml", "layout = \"desktop\"\n");
  project.makeFolder("tools/folder.toml");
  struct Case {
    std::optional<std::wstring> config;
    const char* expected;  // the settings, or the error line
  };
  const Case cases[] = {
      {std::nullopt, "layout=browser encoding=- search_path=[] scripts=- check=- tags="},
      {L"tools/other.toml",
       "layout=desktop encoding=- search_path=[] scripts=- check=- tags="},
      {L"nothere.toml", "[エラー] 設定ファイルがありません: nothere.toml\n"},
      {L"", "[エラー] 設定ファイルがありません: \n"},
      {L"tools/folder.toml",
       "[エラー] 設定ファイルを読み込めません: tools/folder.toml\n"},
  };
  for (const Case& c : cases) {
    const ProjectFileReading reading = readProjectFile(project.root, c.config);
    std::string got;
    for (const ProjectFileError& error : reading.errors) {
      got += projectFileErrorLine(reading.settings.utf8Path, error);
    }
    if (got.empty()) got = described(reading.settings);
    EXPECT_EQ(got, c.expected);
  }
  // The file's name as the run found it or was given it.
  EXPECT_EQ(readProjectFile(project.root, std::nullopt).settings.utf8Path,
            "ks-image-check.toml");
  EXPECT_EQ(readProjectFile(project.root, L"tools/other.toml").settings.utf8Path,
            "tools/other.toml");
  const std::wstring absolute = (project.root / "tools" / "other.toml").wstring();
  const ProjectFileReading byAbsolutePath = readProjectFile(project.root, absolute);
  EXPECT_TRUE(byAbsolutePath.errors.empty());
  EXPECT_EQ(byAbsolutePath.settings.layout, Layout::desktop);
}

TEST_F(ProjectFileTest, NoFileIsNoSettingsAndNoError) {
  const ProjectFileReading reading = readProjectFile(project.root, std::nullopt);
  EXPECT_TRUE(reading.errors.empty());
  EXPECT_EQ(reading.settings.utf8Path, "");
  EXPECT_EQ(described(reading.settings),
            "layout=- encoding=- search_path=[] scripts=- check=- tags=");
}

}  // namespace
