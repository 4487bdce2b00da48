#include "targets/scenario_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/name_order_table.h"
#include "support/temp_project.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

int countOf(const std::string& text, std::string_view part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

const std::string kErrorLine = std::string("[ERROR] ディレクトリ走査エラー: "_sj);
const std::string kFoundLine = std::string("[DEBUG] 検出したファイル: "_sj);

TEST(ScenarioListing, TakesRegularFilesWithTheFourSpellingsOfKs) {
  TempProject project;
  for (const char* name : {"a.ks", "B.KS", "c.Ks", "d.kS", "x.y.KS", "..ks", "e.txt",
                           "f.ks.bak", ".ks", "g.ksh", "h.k", "ks", "sub/i.ks"}) {
    project.write(fs::path("scenario") / name, "");
  }
  project.makeFolder("scenario/g.ks");
  std::ostringstream errLog;
  const Names names = collectKsFiles(project.root / "scenario", errLog);
  // "..ks" has the extension ".ks": only a single leading dot starts no extension.
  EXPECT_EQ(sorted(names), (Names{"..ks", "B.KS", "a.ks", "c.Ks", "d.kS", "x.y.KS"}));
  EXPECT_EQ(countOf(errLog.str(), kFoundLine), 6);
  EXPECT_EQ(countOf(errLog.str(), kErrorLine), 0);
}

TEST(ScenarioListing, LogsEachNameInCp932) {
  TempProject project;
  project.write(fs::path(u8"scenario/台本.ks"), "");
  std::ostringstream errLog;
  const std::string name = "\x91\xE4\x96\x7B.ks";
  EXPECT_EQ(collectKsFiles(project.root / "scenario", errLog), Names{name});
  EXPECT_EQ(errLog.str(), kFoundLine + name + "\n");
}

// One order on every platform, whatever the file system lists first; an entry that
// cannot be taken keeps its place as its error line.
TEST(ScenarioListing, ListsInNameOrder) {
  TempProject project;
  const fs::path scenario = project.root / "scenario";
  // Made last first, for file systems that list in the order of making.
  for (auto name = std::rbegin(kNamesInOrder); name != std::rend(kNamesInOrder); ++name) {
    if (fitsHere(*name)) project.write(fs::path("scenario") / pathOf(*name), "");
  }
  std::vector<std::string> expected;
  for (const OrderedName& name : kNamesInOrder) {
    if (!fitsHere(name)) continue;
    const auto cp932 = cp932FromPath(pathOf(name));
    expected.push_back(cp932 ? kFoundLine + *cp932 : kErrorLine);
  }
  std::ostringstream errLog;
  collectKsFiles(scenario, errLog);
  std::vector<std::string> logged;
  std::istringstream lines(errLog.str());
  for (std::string line; std::getline(lines, line);) {
    logged.push_back(line.starts_with(kErrorLine) ? kErrorLine : line);
  }
  EXPECT_EQ(logged, expected);
}

struct EntryCase {
  const char* label;
  std::function<bool(const fs::path& scenario)> make;  // false: cannot be set up here
  Names names;
  int errorLines;
};

bool link(const fs::path& target, const fs::path& link) {
  std::error_code error;
  fs::create_symlink(target, link, error);
  return !error;
}

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream{file};
}

// Names with a character CP932 cannot hold.
const fs::path kNoCp932Form(u8"\U0001F600");
const fs::path kNoCp932FormKs(u8"\U0001F600.ks");
const fs::path kNoCp932FormTxt(u8"\U0001F600.txt");

// One entry that cannot be examined costs only itself.
const EntryCase kEntryCases[] = {
    {"a name CP932 cannot hold, whatever its extension",
     [](const fs::path& s) {
       touch(s / kNoCp932FormKs);
       touch(s / kNoCp932FormTxt);
       return true;
     },
     {"a.ks", "b.ks"},
     2},
    {"a folder of such a name is only a folder",
     [](const fs::path& s) { return fs::create_directory(s / kNoCp932Form); },
     {"a.ks", "b.ks"},
     0},
    {"a link to a script is a script",
     [](const fs::path& s) { return link(s / "a.ks", s / "l.ks"); },
     {"a.ks", "b.ks", "l.ks"},
     0},
    {"a dangling link is no script",
     [](const fs::path& s) { return link(s / "none.ks", s / "dead.ks"); },
     {"a.ks", "b.ks"},
     0},
    {"a link loop has no status",
     [](const fs::path& s) { return link(s / "loop.ks", s / "loop.ks"); },
     {"a.ks", "b.ks"},
     1},
};

TEST(ScenarioListing, SkipsOnlyTheEntryThatCannotBeExamined) {
  for (const auto& c : kEntryCases) {
    TempProject project;
    const fs::path scenario = project.root / "scenario";
    touch(scenario / "a.ks");
    touch(scenario / "b.ks");
    if (!c.make(scenario)) {
      // Links may need privileges the test does not have.
      std::cerr << "skipped, cannot be set up here: " << c.label << '\n';
      continue;
    }
    std::ostringstream errLog;
    EXPECT_EQ(sorted(collectKsFiles(scenario, errLog)), c.names) << c.label;
    EXPECT_EQ(countOf(errLog.str(), kErrorLine + cp932FromPathLenient(scenario) + " ("),
              c.errorLines)
        << c.label << "\n"
        << errLog.str();
  }
}

TEST(ScenarioListing, EntryErrorNamesTheEntry) {
  TempProject project;
  const fs::path scenario = project.root / "scenario";
  const fs::path entry = scenario / kNoCp932FormKs;
  touch(entry);
  std::ostringstream errLog;
  EXPECT_TRUE(collectKsFiles(scenario, errLog).empty());
  const std::string log = errLog.str();
  EXPECT_TRUE(log.starts_with(kErrorLine + cp932FromPathLenient(scenario) + " (")) << log;
  EXPECT_NE(log.find(cp932FromPathLenient(entry)), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with(") \n")) << log;
}

TEST(ScenarioListing, FolderThatCannotBeListedGivesNothing) {
  TempProject project;
  project.write("scenario", "a file, not a folder");
  for (const char* name : {"missing", "scenario"}) {
    const fs::path folder = project.root / name;
    std::ostringstream errLog;
    EXPECT_TRUE(collectKsFiles(folder, errLog).empty()) << name;
    const std::string log = errLog.str();
    EXPECT_TRUE(log.starts_with(kErrorLine + cp932FromPathLenient(folder) + " (")) << log;
    EXPECT_TRUE(log.ends_with(") \n")) << log;
    EXPECT_EQ(countOf(log, "\n"), 1) << log;
  }
}

}  // namespace
