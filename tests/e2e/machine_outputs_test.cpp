// --json, --sarif and --github on a whole run: each output tells what the report
// tells, in a form a CI pipeline reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_program.h"
#include "support/run_program_raw.h"
#include "support/temp_project.h"
#include "support/text_search.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));

fs::path pathOf(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Found, missing, a letter-case hint, invalid bytes, a folder mismatch and a script
// that cannot be read, in the folder "game" of the project.
void writeMixedProject(const TempProject& project) {
  project.write("game/scenario/a.ks",
                "[bg storage=\"room.jpg\" folder=\"bg\"]\n"
                "hero.png\n"
                "gone.png\n"
                "\xff sjis.png\n"
                "chara/shy.png\n");
  project.write("game/scenario/b.ks", "here.png\n");
  project.makeFolder("game/scenario/locked.ks");
  project.write("game/config_image.csv", "a.ks,locked.ks,b.ks\n");
  for (const char* image :
       {"bg/room.jpg", "data/chara/Hero.PNG", "fg/other/shy.png", "here.png"}) {
    project.write(fs::path("game") / image, "");
  }
}

std::string gameReport(const TempProject& project) {
  for (const auto& entry : fs::directory_iterator(project.root / "game")) {
    if (entry.path().filename().string().starts_with("tag_report_image")) {
      return project.read(entry.path());
    }
  }
  return "";
}

// One image line of the report. ("■" is three bytes to std::regex: grouped for "?".)
struct ReportEntry {
  std::string script;
  int line = 0;
  std::string reference;
  bool found = false;
  std::string folder;
};

const std::regex kImageLine(
    "((?:■)?)(.+) \\(行 (\\d+)\\): (.+) -> (?:存在しません|存在します \\(フォルダ: "
    "(.*)\\))");

// The lines of console output or of the report (whose byte-order mark goes).
std::vector<std::string> lines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> out;
  std::istringstream stream{std::string(text)};
  for (std::string line; std::getline(stream, line);) {
    if (line.ends_with('\r')) line.pop_back();
    out.push_back(line);
  }
  return out;
}

std::vector<ReportEntry> reportEntries(const std::string& report) {
  std::vector<ReportEntry> entries;
  std::smatch match;
  for (const std::string& line : lines(report)) {
    if (!std::regex_match(line, match, kImageLine)) continue;
    entries.push_back(
        {match[2], std::stoi(match[3]), match[4], match[1].length() == 0, match[5]});
  }
  return entries;
}

// "<rule> <file>[:<line>] <message>" for each finding the report shows, in its order,
// with the hints the console gave for the mixed project.
std::vector<std::string> expectedFindings(const std::string& report) {
  static const std::regex kInvalidBytes(
      "\\[WARNING\\] (UTF-8 として不正なバイト列があります): (.+) 行 (\\d+)");
  static const std::regex kUnreadable("\\[WARNING\\] (ファイルを開けませんでした): (.+)");
  std::vector<std::string> findings;
  std::smatch match;
  for (const std::string& line : lines(report)) {
    if (std::regex_match(line, match, kInvalidBytes)) {
      findings.push_back("invalid-bytes scenario/" + match[2].str() + ":" +
                         match[3].str() + " " + match[1].str() + ": " + match[2].str());
    } else if (std::regex_match(line, match, kUnreadable)) {
      findings.push_back("missing-script scenario/" + match[2].str() + " " +
                         match[1].str() + ": " + match[2].str());
    } else if (std::regex_match(line, match, kImageLine)) {
      const std::string where = "scenario/" + match[2].str() + ":" + match[3].str();
      if (match[1].length() > 0) {
        findings.push_back("missing-image " + where +
                           " 画像ファイルが見つかりません: " + match[4].str());
      }
      if (match[4] == "hero.png") {
        findings.push_back("letter-case " + where +
                           " 大文字・小文字だけが異なるファイルがあります: data" +
                           kSeparator + "chara" + kSeparator + "Hero.PNG");
      }
      if (match[4] == "chara/shy.png") {
        findings.push_back(
            "folder-mismatch " + where +
            " 参照とは別のフォルダで見つかりました: chara/shy.png (フォルダ: fg" +
            kSeparator + "other)");
      }
    }
  }
  return findings;
}

TEST(MachineOutputs, JsonTellsWhatTheReportTells) {
  TempProject project;
  writeMixedProject(project);
  // A relative name is taken in the run's folder.
  const ProgramResult result =
      runProgramIn(project.root, {"-C", "game", "--json", "result.json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string text = project.read("game/result.json");
  ASSERT_FALSE(text.starts_with("\xEF\xBB\xBF"));
  const json document = json::parse(text);
  const std::string report = gameReport(project);
  const std::vector<ReportEntry> entries = reportEntries(report);
  ASSERT_EQ(entries.size(), 6u) << report;
  ASSERT_EQ(document["references"].size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const json& reference = document["references"][i];
    const ReportEntry& entry = entries[i];
    EXPECT_EQ(reference["script"], entry.script) << i;
    EXPECT_EQ(reference["line"], entry.line) << i;
    EXPECT_EQ(reference["reference"], entry.reference) << i;
    EXPECT_EQ(reference["status"], entry.found ? "found" : "missing") << i;
    EXPECT_EQ(reference["folder"], entry.found ? json(entry.folder) : json()) << i;
    EXPECT_EQ(reference["caseOnlyMatch"],
              entry.reference == "hero.png"
                  ? json("data" + kSeparator + "chara" + kSeparator + "Hero.PNG")
                  : json())
        << i;
    EXPECT_EQ(reference["folderMismatch"], entry.reference == "chara/shy.png") << i;
  }
  EXPECT_EQ(document["references"][0]["hint"], "bg");
  EXPECT_EQ(document["scripts"], json::parse(R"([
      {"name": "a.ks", "status": "checked", "encoding": "utf-8"},
      {"name": "locked.ks", "status": "unreadable"},
      {"name": "b.ks", "status": "checked", "encoding": "utf-8"}])"));
  EXPECT_EQ(document["summary"], json::parse(R"({"references": 6, "found": 3,
      "missing": 3, "scripts": 3, "scriptsMissing": 1})"));
  EXPECT_TRUE(contains(result.out,
                       "[INFO] 画像参照: 6 件 (存在: 3 件, 見つからない: 3 件), "
                       "スクリプト: 3 件 (見つからない・開けない: 1 件)\n"));
  EXPECT_EQ(pathOf(document["root"].get<std::string>()), project.root / "game");
  EXPECT_EQ(document["completed"], true);
  EXPECT_EQ(document["exitCode"], 0);
}

// "-": standard output holds the document alone, the console lines go to the error
// stream; a run that fails after its report was opened still writes what it has.
TEST(MachineOutputs, JsonOnStandardOutputStaysPure) {
  struct Case {
    const char* label;
    bool withScenario;
    bool completed;
    int exitCode;
  };
  for (const Case& c :
       {Case{"complete", true, true, 2}, Case{"no scenario", false, false, 1}}) {
    TempProject project;
    if (c.withScenario) project.write("scenario/a.ks", "gone.png\n");
    const ProgramResult result =
        runProgramRawIn(project.root, {"--fail-on-missing", "--json", "-", "--what"});
    EXPECT_EQ(result.exitCode, c.exitCode) << c.label;
    ASSERT_TRUE(json::accept(result.out)) << c.label << "\n" << result.out;
    const json document = json::parse(result.out);
    EXPECT_EQ(document["completed"], c.completed) << c.label;
    EXPECT_EQ(document["exitCode"], c.exitCode) << c.label;
    EXPECT_EQ(document["references"].size(), c.withScenario ? 1u : 0u) << c.label;
    EXPECT_TRUE(contains(result.err, "[WARNING] ")) << c.label << ": the console lines";
    EXPECT_TRUE(contains(result.err, "[ERROR] ") || contains(result.err, "[INFO] "))
        << c.label;
  }
}

// A document that cannot be written fails the run, after the others were written.
TEST(MachineOutputs, AnUnwritableFileFailsTheRun) {
  TempProject project;
  project.write("scenario/a.ks", "gone.png\n");
  const ProgramResult result = runProgramIn(
      project.root, {"--sarif", "no/such/folder/x.sarif", "--json", "result.json"});
  EXPECT_EQ(result.exitCode, 1);
  const std::string error =
      "[ERROR] 出力ファイルを書き込めませんでした: no/such/folder/x.sarif\n";
  EXPECT_TRUE(contains(result.err, error)) << result.err;
  EXPECT_TRUE(contains(project.errorLog(), error));
  EXPECT_TRUE(json::accept(project.read("result.json")));
  EXPECT_TRUE(contains(project.report(), "■a.ks (行 1): gone.png"));
}

TEST(MachineOutputs, SarifTellsWhatTheReportTells) {
  TempProject project;
  writeMixedProject(project);
  const ProgramResult result =
      runProgramIn(project.root / "game", {"--sarif", "out.sarif"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const json log = json::parse(project.read("game/out.sarif"));
  ASSERT_EQ(log["version"], "2.1.0");
  const json& run = log["runs"][0];
  std::vector<std::string> findings;
  for (const json& found : run["results"]) {
    const json& location = found["locations"][0]["physicalLocation"];
    std::string where = location["artifactLocation"]["uri"];
    if (location.contains("region")) {
      where += ":" + std::to_string(location["region"]["startLine"].get<int>());
    }
    findings.push_back(found["ruleId"].get<std::string>() + " " + where + " " +
                       found["message"]["text"].get<std::string>());
  }
  const std::vector<std::string> expected = expectedFindings(gameReport(project));
  ASSERT_EQ(expected.size(), 7u);
  EXPECT_EQ(findings, expected);
}

// Workflow commands follow the closing line on standard output, UTF-8 on every
// platform, one per finding.
TEST(MachineOutputs, GithubAnnotationsTellWhatTheReportTells) {
  TempProject project;
  writeMixedProject(project);
  const ProgramResult result = runProgramRawIn(project.root / "game", {"--github"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> out = lines(result.out);
  const auto first = std::find_if(out.begin(), out.end(), [](const std::string& line) {
    return line.starts_with("::");
  });
  ASSERT_NE(first, out.begin());
  EXPECT_TRUE(contains(first[-1], "tag_report_image")) << "the closing line comes first";
  static const std::regex kCommand(
      "::(error|warning) file=([^,:]+)(?:,line=(\\d+))?::(.*)");
  std::vector<std::string> findings;
  std::vector<std::string> levels;
  std::smatch match;
  for (auto line = first; line != out.end(); ++line) {
    ASSERT_TRUE(std::regex_match(*line, match, kCommand)) << *line;
    const std::string where =
        match[3].matched ? match[2].str() + ":" + match[3].str() : match[2].str();
    levels.push_back(match[1]);
    findings.push_back(where + " " + match[4].str());
  }
  std::vector<std::string> expectedLevels;
  std::vector<std::string> expected;
  for (const std::string& finding : expectedFindings(gameReport(project))) {
    const std::string rule = finding.substr(0, finding.find(' '));
    expectedLevels.push_back(rule.starts_with("missing") ? "error" : "warning");
    expected.push_back(finding.substr(rule.size() + 1));
  }
  EXPECT_EQ(levels, expectedLevels);
  EXPECT_EQ(findings, expected);
}

// The names reach the runner unchanged: "%" escaped in messages, and "%", "," and
// ":" in the file property (Windows names cannot hold ":").
TEST(MachineOutputs, GithubAnnotationsEscapeNames) {
  const bool colonsInNames = fs::path::preferred_separator == '/';
  const std::string script = colonsInNames ? "序章%,:1.ks" : "序章%,1.ks";
  const std::string escaped = colonsInNames ? "序章%25%2C%3A1.ks" : "序章%25%2C1.ks";
  TempProject project;
  project.write(pathOf("scenario/" + script), "[bg storage=\"背景%1:2.png\"]\n");
  const ProgramResult result = runProgramRawIn(project.root, {"--github"});
  const std::string command = "::error file=scenario/" + escaped +
                              ",line=1::画像ファイルが見つかりません: 背景%251:2.png";
  EXPECT_EQ(lines(result.out).back(), command) << result.out;
}

}  // namespace
