// Reading every script of a project once: which scripts keep their bytes for the
// scan, and that a script read again past the kept bytes is outlined the same.
#include "project/project_scripts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_project.h"

namespace {

namespace fs = std::filesystem;

TEST(ProjectScripts, KeepTheBytesOfTheScriptsToCheckWhileTheBudgetLasts) {
  TempProject project;
  // Each script to check defines one macro after filler that takes most of the
  // budget, so the second one no longer fits; "outside" is not below the listed
  // folder and is read as a script to check only.
  const std::string filler(kKeptScriptBytes / 2 + 1, ';');
  project.write("scenario/a.ks", filler + "\n[macro name=from_a][endmacro]\n");
  project.write("scenario/b.ks", filler + "\n[macro name=from_b][endmacro]\n");
  project.write("scenario/c.ks", "[macro name=from_c][endmacro]\n");
  project.write("outside/d.ks", "[macro name=from_d][endmacro]\n");
  const fs::path root = project.root;
  const std::vector<fs::path> toCheck = {root / "scenario/a.ks", root / "scenario/b.ks",
                                         root / "outside/d.ks"};
  const ProjectScripts scripts =
      readProjectScripts(root, {"scenario"}, toCheck, OutlineRules{}, nullptr);

  std::string kept;
  std::string macros;
  for (const ProjectScript& script : scripts.scripts) {
    EXPECT_TRUE(script.read) << script.utf8Path;
    kept += script.utf8Path + (script.bytes ? " kept\n" : "\n");
  }
  for (const MacroDefinition& macro : scripts.macros.definitions) {
    macros += macro.name + " ";
  }
  EXPECT_EQ(kept,
            "scenario/a.ks kept\n"
            "scenario/b.ks\n"
            "scenario/c.ks\n"
            "outside/d.ks\n");
  EXPECT_EQ(macros, "from_a from_b from_c from_d ");
  EXPECT_EQ(scripts.utf8LogLines.size(), 4u);  // one line per definition, no error
}

}  // namespace
