#include "targets/config_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/temp_project.h"
#include "targets/scenario_listing.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace {

using Names = std::vector<std::string>;

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
  Names names;          // CP932
};

const ConfigCase kConfigCases[] = {
    {"blanks around commas", "a.ks, b.ks ,c.ks", {"a.ks", "b.ks", "c.ks"}},
    {"tabs are blanks", "\ta.ks\t,\t b.ks \t", {"a.ks", "b.ks"}},
    {"an ideographic space stays",
     kIdeographicSpace + "a.ks",
     {kIdeographicSpace + "a.ks"}},
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
    {"Shift-JIS names", kNihongoKs + "," + kSourceKs + "\n", {kNihongoKs, kSourceKs}},
    {"BOM: UTF-8 names become CP932",
     kBom + "日本語.ks,ソース.ks",
     {kNihongoKs, kSourceKs}},
    {"BOM: first-line comment", kBom + "#a.ks\r\nb.ks\r\n", {"b.ks"}},
    {"BOM: first-line name", kBom + "a.ks", {"a.ks"}},
    {"BOM: no CP932 form becomes ?", kBom + "\xF0\x9F\x98\x80.ks", {"?.ks"}},
    // Later, the three bytes are CP932 text like any other.
    {"BOM only at the start counts",
     "a.ks\n" + kBom + "#b.ks",
     {"a.ks", encodeCp932Lenient(decodeCp932(kBom)) + "#b.ks"}},
};

TEST(ConfigReader, ParsesEveryCase) {
  for (const auto& c : kConfigCases) {
    TempProject project;
    project.write("config_image.csv", c.content);
    std::ostringstream errLog;
    EXPECT_EQ(loadConfigFile(project.root / "config_image.csv", errLog), c.names)
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
  EXPECT_EQ(loadConfigFile(folder / "config_image.csv", errLog), Names{"a.ks"});
  EXPECT_NE(errLog.str().find(cp932FromPathLenient(folder)), std::string::npos);
}

// The names of both producers reach the scan in one encoding, so a Japanese name
// written in the configuration file is the script on disk.
TEST(ConfigReader, JapaneseNameIsTheScriptOnDisk) {
  for (const std::string& content : {kNihongoKs + "\r\n", kBom + "日本語.ks\r\n"}) {
    TempProject project;
    project.write("config_image.csv", content);
    project.write(std::filesystem::path(u8"scenario/日本語.ks"), "");
    std::ostringstream errLog;
    const Names fromConfig = loadConfigFile(project.root / "config_image.csv", errLog);
    ASSERT_EQ(fromConfig.size(), 1u);
    EXPECT_TRUE(exists(project.root / "scenario" / *pathFromCp932(fromConfig[0])));
    EXPECT_EQ(fromConfig, collectKsFiles(project.root / "scenario", errLog));
  }
}

}  // namespace
