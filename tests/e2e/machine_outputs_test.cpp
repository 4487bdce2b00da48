// --json, --sarif and --github on whole runs: each tells what the report tells, in a
// form a CI pipeline reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
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

const std::string kSep(1, static_cast<char>(fs::path::preferred_separator));

fs::path pathOf(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Without the byte-order mark and CR.
std::vector<std::string> linesOf(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines;
  std::istringstream stream{std::string(text)};
  for (std::string line; std::getline(stream, line);) {
    if (line.ends_with('\r')) line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Found, missing, a letter-case hint, invalid bytes, a folder mismatch and a script
// that cannot be read; the run starts in the folder "game" of the project.
TEST(MachineOutputs, EachFormatTellsWhatTheReportTells) {
  TempProject project;
  project.write("game/scenario/a.ks",
                "[bg storage=\"room.jpg\" folder=\"bg\"]\nhero.png\ngone.png\n"
                "\xff sjis.png\nchara/shy.png\n");
  project.write("game/scenario/b.ks", "here.png\n");
  project.makeFolder("game/scenario/locked.ks");
  project.write("game/config_image.csv", "a.ks,locked.ks,b.ks\n");
  for (const char* image :
       {"bg/room.jpg", "data/chara/Hero.PNG", "fg/other/shy.png", "here.png"}) {
    project.write(fs::path("game") / image, "");
  }
  const ProgramResult result = runProgramRawIn(
      project.root, {"-C", "game", "--json", "r.json", "--sarif", "r.sarif", "--github"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> reportLines;
  for (const auto& entry : fs::directory_iterator(project.root / "game")) {
    if (entry.path().filename().string().starts_with("tag_report_image")) {
      reportLines = linesOf(project.read(entry.path()));
    }
  }

  // JSON: the report's image lines, rebuilt from the references.
  const json document = json::parse(project.read("game/r.json"));
  std::vector<std::string> imageLines;
  for (const std::string& line : reportLines) {
    if (contains(line, " -> ")) imageLines.push_back(line);
  }
  std::vector<std::string> rebuilt;
  for (const json& reference : document["references"]) {
    const bool found = reference["status"] == "found";
    rebuilt.push_back(
        (found ? "" : "■") + reference["script"].get<std::string>() + " (行 " +
        std::to_string(reference["line"].get<int>()) +
        "): " + reference["reference"].get<std::string>() + " -> " +
        (found ? "存在します (フォルダ: " + reference["folder"].get<std::string>() + ")"
               : "存在しません"));
  }
  EXPECT_EQ(rebuilt, imageLines);
  EXPECT_EQ(document["references"][1]["caseOnlyMatch"],
            "data" + kSep + "chara" + kSep + "Hero.PNG");
  EXPECT_EQ(document["references"][4]["folderMismatch"], true);
  EXPECT_EQ(document["scripts"], json::parse(R"([
      {"name": "a.ks", "status": "checked", "encoding": "utf-8"},
      {"name": "locked.ks", "status": "unreadable"},
      {"name": "b.ks", "status": "checked", "encoding": "utf-8"}])"));
  EXPECT_EQ(document["summary"], json::parse(R"({"references": 6, "found": 3,
      "missing": 3, "scripts": 3, "scriptsMissing": 1, "notLoadable": 0,
      "scriptsInSubfolders": 0, "jumps": 0, "jumpsMissing": 0, "sounds": 0,
      "soundsMissing": 0, "videos": 0, "videosMissing": 0})"));
  EXPECT_EQ(pathOf(document["root"].get<std::string>()), project.root / "game");
  EXPECT_EQ(document["completed"], true);

  // SARIF and workflow commands: the report's findings and the console's hints,
  // located from the folder the run was started in.
  const std::vector<std::string> findings = {
      "error game/scenario/a.ks:2 画像ファイルが見つかりません: hero.png",
      "warning game/scenario/a.ks:2 大文字・小文字だけが異なるファイルがあります: data" +
          kSep + "chara" + kSep + "Hero.PNG",
      "error game/scenario/a.ks:3 画像ファイルが見つかりません: gone.png",
      "warning game/scenario/a.ks:4 UTF-8 として不正なバイト列があります: a.ks",
      "error game/scenario/a.ks:4 画像ファイルが見つかりません: sjis.png",
      "warning game/scenario/a.ks:5 参照とは別のフォルダで見つかりました: chara/shy.png "
      "(フォルダ: fg" +
          kSep + "other)",
      "error game/scenario/locked.ks ファイルを開けませんでした: locked.ks",
  };
  const json log = json::parse(project.read("game/r.sarif"));
  std::vector<std::string> sarif;
  for (const json& finding : log["runs"][0]["results"]) {
    const json& location = finding["locations"][0]["physicalLocation"];
    std::string where = location["artifactLocation"]["uri"];
    if (location.contains("region")) {
      where += ":" + std::to_string(location["region"]["startLine"].get<int>());
    }
    sarif.push_back(finding["level"].get<std::string>() + " " + where + " " +
                    finding["message"]["text"].get<std::string>());
  }
  EXPECT_EQ(sarif, findings);

  // After the closing line, which names the report.
  std::vector<std::string> github = linesOf(result.out);
  const auto first = github.end() - static_cast<std::ptrdiff_t>(findings.size());
  ASSERT_TRUE(contains(first[-1], "tag_report_image")) << result.out;
  github.erase(github.begin(), first);
  std::vector<std::string> expected;
  for (const std::string& finding : findings) {
    const auto level = finding.find(' ');
    const auto message = finding.find(' ', level + 1);
    std::string where = finding.substr(level + 1, message - level - 1);
    if (const auto colon = where.find(':'); colon != std::string::npos) {
      where.replace(colon, 1, ",line=");
    }
    expected.push_back("::" + finding.substr(0, level) + " file=" + where +
                       "::" + finding.substr(message + 1));
  }
  EXPECT_EQ(github, expected);
}

// Started in a repository's root with -C, annotations and SARIF locations lead from
// there, unused images too; %SRCROOT% is that folder. A root that does not lie below
// the start folder keeps its own paths, as does a run without -C.
TEST(MachineOutputs, LocationsLeadFromTheFolderTheRunStartedIn) {
  const struct {
    const char* start;     // in the temporary folder, as every other path here
    const char* changeTo;  // -C; none when empty
    const char* root;
    const char* prefix;  // what the locations have before the root's paths
    const char* base;    // the folder %SRCROOT% names ("" the temporary one)
    json rootFromStart;
  } cases[] = {
      {".", "sub/data", "sub/data", "sub/data/", "", "sub/data"},
      {"y", "../x", "x", "", "x/", nullptr},
      {"x", "", "x", "", "x/", "."},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write(fs::path(c.root) / "scenario/a.ks", "gone.png\n");
    project.write(fs::path(c.root) / "old.png", "");
    project.makeFolder(c.start);
    std::vector<std::string> args = {"--unused", "--github", "--sarif",
                                     "r.sarif",  "--json",   "r.json"};
    if (*c.changeTo) args.insert(args.begin(), {"-C", c.changeTo});
    const ProgramResult result = runProgramRawIn(project.root / c.start, args);
    ASSERT_EQ(result.exitCode, 0) << c.changeTo << ": " << result.err;
    const std::string prefix = c.prefix;
    EXPECT_TRUE(contains(result.out, "::error file=" + prefix +
                                         "scenario/a.ks,line=1::画像ファイルが見つかり"
                                         "ません: gone.png"))
        << c.changeTo << ": " << result.out;

    const json run = json::parse(project.read(fs::path(c.root) / "r.sarif"))["runs"][0];
    std::vector<std::string> uris;
    for (const json& finding : run["results"]) {
      uris.push_back(
          finding["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]);
    }
    EXPECT_EQ(uris, (std::vector{prefix + "scenario/a.ks", prefix + "old.png"}));
    const std::string base = run["originalUriBaseIds"]["%SRCROOT%"]["uri"];
    EXPECT_TRUE(base.starts_with("file://") &&
                base.ends_with("/" + project.root.filename().string() + "/" + c.base))
        << base;
    EXPECT_EQ(json::parse(project.read(fs::path(c.root) / "r.json"))["rootFromStart"],
              c.rootFromStart);
  }
}

// "-": standard output holds the document alone, the console lines go to the error
// stream; a run that fails after its report was opened still tells what it has.
TEST(MachineOutputs, JsonOnStandardOutputStaysPure) {
  for (const bool withScenario : {true, false}) {
    TempProject project;
    if (withScenario) project.write("scenario/a.ks", "gone.png\n");
    const ProgramResult result =
        runProgramRawIn(project.root, {"--fail-on-missing", "--json", "-", "--what"});
    EXPECT_EQ(result.exitCode, withScenario ? 2 : 1);
    ASSERT_TRUE(json::accept(result.out)) << result.out;
    const json document = json::parse(result.out);
    EXPECT_EQ(document["completed"], withScenario);
    EXPECT_EQ(document["exitCode"], result.exitCode);
    EXPECT_EQ(document["references"].size(), withScenario ? 1u : 0u);
    EXPECT_TRUE(contains(result.err, "[WARNING] ")) << "the console lines";
  }
}

// The names reach the runner unchanged (Windows names cannot hold ":").
TEST(MachineOutputs, GithubAnnotationsEscapeNames) {
  const bool colons = fs::path::preferred_separator == '/';
  TempProject project;
  project.write(pathOf(colons ? "scenario/序章%,:1.ks" : "scenario/序章%,1.ks"),
                "[bg storage=\"背景%1:2.png\"]\n");
  const ProgramResult result = runProgramRawIn(project.root, {"--github"});
  EXPECT_EQ(linesOf(result.out).back(),
            std::string("::error file=scenario/序章%25%2C") + (colons ? "%3A" : "") +
                "1.ks,line=1::画像ファイルが見つかりません: 背景%251:2.png")
      << result.out;
}

// A document that cannot be written fails the run, after the others were written;
// each written one carries the exit code the process ends with (with
// --fail-on-missing the run alone would end with 2).
TEST(MachineOutputs, AnUnwritableFileFailsTheRun) {
  const struct {
    std::string blocked;  // in a folder that is missing, or a folder itself
    std::vector<std::string> args;
    const char* written;
  } cases[] = {
      {"no/folder/x.sarif",
       {"--sarif", "no/folder/x.sarif", "--json", "r.json"},
       "r.json"},
      {"d.json", {"--json", "d.json", "--sarif", "out.sarif"}, "out.sarif"},
  };
  for (const auto& c : cases) {
    TempProject project;
    project.write("scenario/a.ks", "gone.png\n");
    if (c.blocked.find('/') == std::string::npos) project.makeFolder(c.blocked);
    std::vector<std::string> args = c.args;
    args.push_back("--fail-on-missing");
    const ProgramResult result = runProgramIn(project.root, args);
    EXPECT_EQ(result.exitCode, 1);
    const std::string error =
        "[ERROR] 出力ファイルを書き込めませんでした: " + c.blocked + "\n";
    EXPECT_TRUE(contains(result.err, error)) << result.err;
    EXPECT_TRUE(contains(project.errorLog(), error));
    const json written = json::parse(project.read(c.written));
    const json& run =
        written.contains("runs") ? written["runs"][0]["invocations"][0] : written;
    EXPECT_EQ(run["exitCode"], 1) << c.written;
    EXPECT_EQ(run.value("executionSuccessful", false), false) << c.written;
  }
}

}  // namespace
