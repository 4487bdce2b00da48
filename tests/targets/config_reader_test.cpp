#include "targets/config_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/temp_project.h"
#include "targets/scenario_listing.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace {

using Names = std::vector<std::string>;

Names namesOf(const std::vector<ScriptTarget>& targets) {
  Names names;
  for (const ScriptTarget& target : targets) names.push_back(target.utf8Name);
  return names;
}

template <typename... Parts>
std::string cat(const Parts&... parts) {
  std::string text;
  (text.append(parts), ...);
  return text;
}

const std::string kBom = "\xEF\xBB\xBF";
const std::string kIdeographicSpace = "\x81\x40";
const std::string kNihongoKs = "\x93\xFA\x96\x7B\x8C\xEA.ks";  // 日本語.ks in CP932
const std::string kSourceKs = "\x83\x5C\x81\x5B\x83\x58.ks";   // ソース.ks: trail 5C

struct ConfigCase {
  const char* label;
  std::string content;  // the bytes of config_image.csv
  Names names;          // UTF-8
};

const ConfigCase kConfigCases[] = {
    {"blanks around commas", "a.ks, b.ks ,c.ks", {"a.ks", "b.ks", "c.ks"}},
    {"tabs are blanks", "\ta.ks\t,\t b.ks \t", {"a.ks", "b.ks"}},
    {"an ideographic space stays", kIdeographicSpace + "a.ks", {"　a.ks"}},
    {"duplicates kept", "a.ks,a.ks\na.ks", {"a.ks", "a.ks", "a.ks"}},
    {"comment line", "#a.ks\nb.ks", {"b.ks"}},
    {"blank before # is no comment", " #a.ks", {"#a.ks"}},
    {"# after a comma is a name", "a.ks,#b.ks", {"a.ks", "#b.ks"}},
    {"no comment after a name", "a.ks # old", {"a.ks # old"}},
    {"fields without .ks ignored", "readme.txt,A.KS,a.KS,ks,a.k s", {}},
    {"empty fields ignored", ",a.ks,, ,\t,b.ks,", {"a.ks", "b.ks"}},
    {".ks anywhere in the field",
     "a.ks.bak,x.ksh,sub/a.ks",
     {"a.ks.bak", "x.ksh", "sub/a.ks"}},
    {"empty lines", "\n\na.ks\n\n\nb.ks\n", {"a.ks", "b.ks"}},
    {"last line without a line feed", "a.ks\nb.ks", {"a.ks", "b.ks"}},
    {"CR LF line ends",
     "a.ks, b.ks\r\nc.ks\r\n\r\nd.ks\r\n",
     {"a.ks", "b.ks", "c.ks", "d.ks"}},
    {"only one CR is a line end", "a.ks\r\r\n", {"a.ks\r"}},
    {"only comments and blank lines", "# list\n\n#a.ks\r\n#\n", {}},
    {"Shift-JIS names", kNihongoKs + "," + kSourceKs + "\n", {"日本語.ks", "ソース.ks"}},
    {"BOM: UTF-8 names", kBom + "日本語.ks,ソース.ks", {"日本語.ks", "ソース.ks"}},
    {"BOM: first-line comment", kBom + "#a.ks\r\nb.ks\r\n", {"b.ks"}},
    {"BOM: first-line name", kBom + "a.ks", {"a.ks"}},
    {"BOM: names CP932 cannot hold are kept",
     kBom + "图库.ks,說明.ks,\xF0\xA0\xAE\xB7.ks",
     {"图库.ks", "說明.ks", "\xF0\xA0\xAE\xB7.ks"}},
    // Later, the three bytes are CP932 text like any other.
    {"BOM only at the start counts",
     "a.ks\n" + kBom + "#b.ks",
     {"a.ks", encodeUtf8Lenient(decodeCp932(kBom)) + "#b.ks"}},
};

TEST(ConfigReader, ParsesEveryCase) {
  for (const auto& c : kConfigCases) {
    TempProject project;
    project.write("config_image.csv", c.content);
    std::ostringstream errLog;
    EXPECT_EQ(namesOf(loadConfigFile(project.root / "config_image.csv", errLog)), c.names)
        << c.label;
  }
}

TEST(ConfigReader, LogsOpeningEachNameAndTheCount) {
  TempProject project;
  project.write("config_image.csv", "a.ks, " + kSourceKs + "\n#x.ks\n");
  const auto configFile = project.root / "config_image.csv";
  const std::string configPath = cp932FromPathLenient(configFile);
  std::ostringstream errLog;
  loadConfigFile(configFile, errLog);
  EXPECT_EQ(errLog.str(),
            cat("[DEBUG] 設定ファイルを開きました: "_sj, configPath, "\n",
                "[DEBUG] 追加されたファイル: "_sj, "a.ks\n",
                "[DEBUG] 追加されたファイル: "_sj, kSourceKs, "\n",
                "[INFO] 設定ファイル処理完了。読み込んだファイル数: "_sj, "2\n"));
}

TEST(ConfigReader, MissingOrFolderIsNotOpened) {
  TempProject project;
  project.makeFolder("folder.csv");
  for (const char* name : {"missing.csv", "folder.csv"}) {
    const auto configFile = project.root / name;
    std::ostringstream errLog;
    EXPECT_TRUE(loadConfigFile(configFile, errLog).empty()) << name;
    EXPECT_EQ(errLog.str(), cat("[INFO] 設定ファイルを開けませんでした: "_sj,
                                cp932FromPathLenient(configFile), "\n"))
        << name;
  }
}

TEST(ConfigReader, FolderWithoutCp932FormStillReads) {
  TempProject project;
  const std::filesystem::path noCp932Form(u8"\U0001F600");
  project.write(noCp932Form / "config_image.csv", "a.ks");
  const auto folder = project.root / noCp932Form;
  std::ostringstream errLog;
  EXPECT_EQ(namesOf(loadConfigFile(folder / "config_image.csv", errLog)), Names{"a.ks"});
  EXPECT_NE(errLog.str().find(cp932FromPathLenient(folder)), std::string::npos);
}

struct OnDiskCase {
  std::string content;  // of config_image.csv
  std::string utf8Name;
  std::string logged;  // CP932, lenient
};

// The names of both producers reach the scan alike, so a name written in the
// configuration file is the script on disk, whether CP932 can hold it or not; the
// log alone shows "?" for what it cannot.
TEST(ConfigReader, EveryNameIsTheScriptOnDisk) {
  const OnDiskCase cases[] = {
      {kNihongoKs + "\r\n", "日本語.ks", kNihongoKs},
      {kBom + "日本語.ks\r\n", "日本語.ks", kNihongoKs},
      {kBom + "图库.ks\r\n", "图库.ks", "??.ks"},
      {kBom + "說明.ks\r\n", "說明.ks", "?" + std::string("明.ks"_sj)},
      {kBom + "\xF0\xA0\xAE\xB7.ks\r\n", "\xF0\xA0\xAE\xB7.ks", "?.ks"},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("config_image.csv", c.content);
    project.write("scenario" / pathOfUtf8(c.utf8Name), "");
    std::ostringstream errLog;
    const auto fromConfig = loadConfigFile(project.root / "config_image.csv", errLog);
    ASSERT_EQ(fromConfig.size(), 1u) << c.utf8Name;
    EXPECT_EQ(fromConfig[0].utf8Name, c.utf8Name);
    ASSERT_TRUE(fromConfig[0].path) << c.utf8Name;
    EXPECT_TRUE(exists(project.root / "scenario" / *fromConfig[0].path)) << c.utf8Name;
    EXPECT_NE(errLog.str().find(cat("[DEBUG] 追加されたファイル: "_sj, c.logged, "\n")),
              std::string::npos)
        << c.utf8Name << "\n"
        << errLog.str();
    std::ostringstream listingLog;
    EXPECT_EQ(fromConfig, collectKsFiles(project.root / "scenario", listingLog))
        << c.utf8Name;
  }
}

}  // namespace
