// A run built by hand with one of each finding, including those a whole run on this
// platform cannot give (a name found under another spelling, suggestions, unused).
#pragma once

#include "outputs/run_record.h"

inline RunResults sampleRunResults() {
  using enum ScriptStatus;
  RunResults results;
  results.root = "/home/me/ゲーム 1";
  results.scripts = {
      {"序章.ks", "scenario/序章.ks", checked, ScriptEncoding::shiftJis, 3},
      {"gone.ks", "scenario/gone.ks", missing, ScriptEncoding::utf8, 0},
      {"locked.ks", "scenario/locked.ks", unreadable, ScriptEncoding::utf8, 0}};
  results.references = {{0,
                         2,
                         "hero.png",
                         std::nullopt,
                         false,
                         "",
                         "",
                         "data/Hero.PNG",
                         "",
                         false,
                         {"data/Hero.PNG", "hero2.png"},
                         std::nullopt,
                         std::nullopt},
                        {0,
                         4,
                         "a.png",
                         "img",
                         true,
                         "img",
                         "img/a.png",
                         "",
                         "A.png",
                         true,
                         {},
                         std::nullopt,
                         std::nullopt,
                         8,
                         13,
                         "ex_bg"}};
  results.totals = {2, 1, 1, 3, 2};
  results.unused = std::vector<std::string>{"img/old.png"};
  results.completed = true;
  results.exitCode = 0;
  return results;
}
