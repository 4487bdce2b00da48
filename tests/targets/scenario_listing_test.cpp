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
#include "support/platform_paths.h"
#include "support/temp_project.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

Names namesOf(const std::vector<ScriptTarget>& targets) {
  Names names;
  for (const ScriptTarget& target : targets) names.push_back(target.utf8Name);
  return names;
}

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
  const Names names = namesOf(collectKsFiles(project.root / "scenario", errLog));
  // "..ks" has the extension ".ks": only a single leading dot starts no extension.
  EXPECT_EQ(sorted(names), (Names{"..ks", "B.KS", "a.ks", "c.Ks", "d.kS", "x.y.KS"}));
  EXPECT_EQ(countOf(errLog.str(), kFoundLine), 6);
  EXPECT_EQ(countOf(errLog.str(), kErrorLine), 0);
}

TEST(ScenarioListing, LogsEachNameInCp932) {
  TempProject project;
  project.write(fs::path(u8"scenario/台本.ks"), "");
  std::ostringstream errLog;
  EXPECT_EQ(namesOf(collectKsFiles(project.root / "scenario", errLog)), Names{"台本.ks"});
  EXPECT_EQ(errLog.str(), kFoundLine + "\x91\xE4\x96\x7B.ks\n");
}

// One order on every platform, whatever the file system lists first. Every name is
// taken, shown as the platform decodes it (U+FFFD for bytes that are not UTF-8),
// logged in its lenient CP932 form, and opened by its own bytes.
TEST(ScenarioListing, ListsEveryNameInNameOrder) {
  TempProject project;
  const fs::path scenario = project.root / "scenario";
  // Made last first, for file systems that list in the order of making.
  for (auto name = std::rbegin(kNamesInOrder); name != std::rend(kNamesInOrder); ++name) {
    if (fitsHere(*name)) project.write(fs::path("scenario") / pathOf(*name), "");
  }
  Names expectedNames;
  std::string expectedLog;
  for (const OrderedName& name : kNamesInOrder) {
    if (!fitsHere(name)) continue;
    expectedNames.push_back(utf8FromPath(pathOf(name)));
    expectedLog += kFoundLine + cp932FromPathLenient(pathOf(name)) + "\n";
  }
  std::ostringstream errLog;
  const std::vector<ScriptTarget> targets = collectKsFiles(scenario, errLog);
  EXPECT_EQ(namesOf(targets), expectedNames);
  EXPECT_EQ(errLog.str(), expectedLog);
  for (const ScriptTarget& target : targets) {
    ASSERT_TRUE(target.path) << target.utf8Name;
    EXPECT_TRUE(fs::is_regular_file(scenario / *target.path)) << target.utf8Name;
    EXPECT_FALSE(target.unexaminable) << target.utf8Name;
  }
}

struct EntryCase {
  const char* label;
  std::function<bool(const fs::path& scenario)> make;  // false: cannot be set up here
  Names names;
  int errorLines;
  Names unexaminable = {};
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

// One entry that cannot be examined costs only itself; a script among them is still
// listed, for the run to count.
const EntryCase kEntryCases[] = {
    {"a name CP932 cannot hold is a name like any other",
     [](const fs::path& s) {
       touch(s / kNoCp932FormKs);
       touch(s / kNoCp932FormTxt);
       return true;
     },
     {"a.ks", "b.ks", "\xF0\x9F\x98\x80.ks"},
     0},
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
    {"a link loop named .ks is a script that cannot be examined",
     [](const fs::path& s) { return link(s / "loop.ks", s / "loop.ks"); },
     {"a.ks", "b.ks", "loop.ks"},
     1,
     {"loop.ks"}},
    {"a link loop of another name is no script",
     [](const fs::path& s) { return link(s / "loop.txt", s / "loop.txt"); },
     {"a.ks", "b.ks"},
     1},
};

TEST(ScenarioListing, AnEntryThatCannotBeExaminedCostsOnlyItself) {
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
    const std::vector<ScriptTarget> targets = collectKsFiles(scenario, errLog);
    EXPECT_EQ(sorted(namesOf(targets)), c.names) << c.label;
    Names unexaminable;
    for (const ScriptTarget& target : targets) {
      if (target.unexaminable) unexaminable.push_back(target.utf8Name);
    }
    EXPECT_EQ(unexaminable, c.unexaminable) << c.label;
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
  fs::create_directories(scenario);
  if (!link(entry, entry)) GTEST_SKIP() << "cannot make a link here";
  std::ostringstream errLog;
  const std::vector<ScriptTarget> targets = collectKsFiles(scenario, errLog);
  ASSERT_EQ(targets.size(), 1u);
  EXPECT_EQ(targets[0], (ScriptTarget{"\xF0\x9F\x98\x80.ks", kNoCp932FormKs, true}));
  const std::string log = errLog.str();
  EXPECT_TRUE(log.starts_with(kErrorLine + cp932FromPathLenient(scenario) + " (")) << log;
  EXPECT_NE(log.find(cp932FromPathLenient(entry)), std::string::npos) << log;
  EXPECT_TRUE(log.ends_with(") \n")) << log;
  EXPECT_EQ(countOf(log, "\n"), 1) << log;
}

struct TreeScript {
  const char* utf8Path;  // below scenario
  const char* logged;    // the CP932 log form of its name, as UTF-8 source text
};

// Scripts and folders whose names CP932 cannot hold (simplified and traditional
// Chinese, a character beyond U+FFFF), in listing order: the top folder's first.
const TreeScript kUnspellableTree[] = {
    {"图库.ks", "??.ks"},
    {"說明.ks", "?明.ks"},
    {"\xF0\xA0\xAE\xB7.ks", "?.ks"},
    {"场景/听写-词库模式.ks", "?景/听写-??模式.ks"},
    {"场景/\xF0\xA0\xAE\xB7/說明.ks", "?景/?/?明.ks"},
};
constexpr std::size_t kInTopFolder = 3;

TEST(ScenarioListing, NamesCp932CannotHoldAreListedInEveryFolder) {
  TempProject project;
  const fs::path scenario = project.root / "scenario";
  for (const TreeScript& script : kUnspellableTree) {
    project.write("scenario" / pathOfUtf8(script.utf8Path), "");
  }
  EXPECT_EQ(countKsFilesInSubfolders(scenario),
            std::size(kUnspellableTree) - kInTopFolder);
  for (const bool recursive : {false, true}) {
    const std::size_t listed = recursive ? std::size(kUnspellableTree) : kInTopFolder;
    Names expectedNames;
    std::string expectedLog;
    for (std::size_t i = 0; i < listed; ++i) {
      expectedNames.push_back(kUnspellableTree[i].utf8Path);
      expectedLog +=
          kFoundLine + encodeCp932Lenient(decodeUtf8(kUnspellableTree[i].logged)) + "\n";
    }
    std::ostringstream errLog;
    const std::vector<ScriptTarget> targets = collectKsFiles(scenario, errLog, recursive);
    EXPECT_EQ(namesOf(targets), expectedNames) << recursive;
    EXPECT_EQ(errLog.str(), expectedLog) << recursive;
    for (const ScriptTarget& target : targets) {
      ASSERT_TRUE(target.path) << target.utf8Name;
      EXPECT_TRUE(fs::is_regular_file(scenario / *target.path)) << target.utf8Name;
    }
  }
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
