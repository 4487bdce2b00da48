#include "checks/jump_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "checks/near_names.h"

namespace {

TEST(NearNames, TyposByTheImageRule) {
  struct Case {
    const char* wanted;
    const char* candidate;
    std::optional<int> distance;
  };
  const Case cases[] = {
      {"title", "titel", 1},           // a swap of neighbours is one
      {"endng", "ending", 1},          // five letters: up to two
      {"menu", "main", std::nullopt},  // four letters: one only
      {"Ev07", "Ev06", std::nullopt},  // a numbered sibling
      {"scene_0123", "scene_0124", std::nullopt},
      {"ab", "ac", std::nullopt},  // too short for typos
      {"ab", "AB", 0},             // but not for letter case
      {"start", "START", 0},
      {"start", "start", std::nullopt},  // the same is no suggestion
      {"見出し", "見出", 1},
      {"chapter_one", "chaptr_onee", 2},
      {"chapter_one", "ch_one", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(typoDistance(c.wanted, c.candidate), c.distance)
        << c.wanted << " " << c.candidate;
  }
  const std::vector<std::string_view> names = {"endin", "ENDNG", "ending", "end",
                                               "endngs"};
  EXPECT_EQ(nearestNames("endng", names, 3), (std::vector<std::size_t>{1, 2, 4}));
  EXPECT_EQ(nearestNames("endng", names, 1), (std::vector<std::size_t>{1}));
}

// Scripts as a project's reading gives them, each with its labels.
ProjectScripts projectOf(
    const std::vector<std::pair<std::string, std::vector<Label>>>& scripts) {
  ProjectScripts project;
  for (const auto& [path, labels] : scripts) {
    ProjectScript& script = project.scripts.emplace_back();
    script.utf8Path = path;
    script.read = true;
    script.outline.labels = labels;
  }
  return project;
}

// A verdict as one line: kind, status, what the warning names, the file and label
// line reached, suggestions.
std::string describe(const LoadResult& result) {
  std::string text = result.kind == LoadResultKind::script ? "script" : "label";
  text += result.status == LoadStatus::found     ? " found "
          : result.status == LoadStatus::missing ? " missing "
                                                 : " unchecked ";
  text += result.storage;
  if (!result.label.empty()) text += " " + result.label;
  if (result.withoutStar) text += " without star";
  if (!result.file.empty()) text += " = " + result.file;
  if (result.labelLine != 0) text += " 行 " + std::to_string(result.labelLine);
  for (const std::string& suggestion : result.suggestions) text += " ? " + suggestion;
  return text;
}

struct JumpCase {
  const char* storage;
  const char* target;
  bool fixed;
  const char* verdict;
};

void expectVerdicts(const JumpTargets& targets, const std::vector<JumpCase>& cases) {
  for (const JumpCase& c : cases) {
    JumpQuery query;
    query.storage = c.storage;
    query.target = c.target;
    query.fixed = c.fixed;
    query.ownScript = 0;
    query.ownName = "a.ks";
    EXPECT_EQ(describe(checkJump(targets, query)), c.verdict)
        << c.storage << " " << c.target;
  }
}

TEST(JumpCheck, BrowserStyleScriptsBelowScenarioAndTheirLabels) {
  const ProjectScripts project = projectOf({
      {"scenario/a.ks", {{"start", 1}, {"ending", 9}, {"start", 12}}},
      {"scenario/first.ks", {{"Ev03", 1}, {"Ev04", 2}, {"Ev06", 3}}},
      {"scenario/sub/title.ks", {}},
      {"scenario/title_screen.ks", {}},
      {"scenario/my_title.ks", {}},
      {"scenario/titl.ks", {}},
      {"others/plugin/x/init.ks", {}},
  });
  const JumpTargets targets = jumpTargetsOf(project, false, {}, "data");
  expectVerdicts(
      targets,
      {
          {"", "*start", false, "label found a.ks *start = scenario/a.ks 行 1"},
          {"", "start", false, "label found a.ks *start = scenario/a.ks 行 1"},
          {"", "*", false, "script found a.ks = scenario/a.ks"},
          {"", "*endng", false, "label missing a.ks *endng = scenario/a.ks ? *ending"},
          {"", "*Start", false, "label missing a.ks *Start = scenario/a.ks ? *start"},
          {"first.ks", "*Ev07", false,
           "label missing first.ks *Ev07 = scenario/first.ks"},
          {"./data/scenario/first.ks", "", false,
           "script found ./data/scenario/first.ks = scenario/first.ks"},
          {"sub/../first.ks", "*Ev03", false,
           "label found sub/../first.ks *Ev03 = scenario/first.ks 行 1"},
          {"First.ks", "", false, "script missing First.ks ? first.ks"},
          {"title.ks", "*x", false,
           "script missing title.ks ? sub/title.ks ? title_screen.ks ? my_title.ks"},
          {"../others/plugin/x/init.ks", "", false,
           "script found ../others/plugin/x/init.ks = others/plugin/x/init.ks"},
          {"../../outside.ks", "", false, "script missing ../../outside.ks"},
          // A button that stays on screen jumps within the script current then.
          {"", "*menu", true, "label unchecked a.ks *menu = scenario/a.ks"},
          {"a.ks", "*menu", true, "label missing a.ks *menu = scenario/a.ks"},
      });
  EXPECT_EQ(duplicateLabelsOf(project.scripts[0].outline.labels).size(), 1u);
  EXPECT_EQ(duplicateLabelsOf(project.scripts[0].outline.labels)[0].firstLine, 1);
}

TEST(JumpCheck, DesktopStyleScriptsOnTheSearchPath) {
  const ProjectScripts project = projectOf({
      {"scenario/a.ks", {{"start", 1}, {"e2 ", 2}}},
      {"scenario/b.ks", {{"b", 1}}},
      {"scenario/sub/c.ks", {}},
      {"system/d.ks", {}},
      {"extra/d.ks", {}},
  });
  const JumpTargets targets =
      jumpTargetsOf(project, true, {"scenario", "system", "extra"}, "data");
  expectVerdicts(
      targets,
      {
          {"", "*start", false, "label found a.ks *start = scenario/a.ks 行 1"},
          {"", "start", false, "label missing a.ks start without star = scenario/a.ks"},
          {"", "*e2", false, "label missing a.ks *e2 = scenario/a.ks"},
          {"", "*e2 ", false, "label found a.ks *e2  = scenario/a.ks 行 2"},
          {"B.KS", "*b", false, "label found B.KS *b = scenario/b.ks 行 1"},
          {"c.ks", "", false, "script missing c.ks ? scenario/sub/c.ks"},
          {"Scenario\\Sub\\C.ks", "", false,
           "script found Scenario\\Sub\\C.ks = scenario/sub/c.ks"},
          // The last folder registered wins.
          {"d.ks", "", false, "script found d.ks = extra/d.ks"},
      });
}

}  // namespace
