// A run built by hand with one of everything the outputs show: found and missing
// images, both letter-case hints, a folder mismatch, invalid bytes, a missing and an
// unreadable script, suggestions and unused images.
#pragma once

#include "app/run_results.h"

inline RunResults sampleRunResults() {
  RunResults results;
  results.root = "/home/me/ゲーム 1";
  results.reportFile = "tag_report_image_20260101_090000.txt";
  results.scripts = {
      {"序章.ks", "scenario/序章.ks", ScriptStatus::checked, ScriptEncoding::shiftJis, 3},
      {"gone.ks", "scenario/gone.ks", ScriptStatus::missing, ScriptEncoding::utf8, 0},
      {"locked.ks", "scenario/locked.ks", ScriptStatus::unreadable, ScriptEncoding::utf8,
       0},
      {"b.ks", "scenario/b.ks", ScriptStatus::checked, ScriptEncoding::utf16le, 0},
  };
  ReferenceResult found{0,  1,  "room.jpg", "bg", true, "bg", "bg/room.jpg",
                        "", "", false,      {}};
  ReferenceResult caseHint{0,
                           2,
                           "hero.png",
                           std::nullopt,
                           false,
                           "",
                           "",
                           "data/Hero.PNG",
                           "",
                           false,
                           {"data/Hero.PNG", "hero2.png"}};
  ReferenceResult spelled{0,           4,  "a.png", "img", true, "img",
                          "img/a.png", "", "A.png", true,  {}};
  ReferenceResult missing{3,     7, "x,y:100%.png", std::nullopt, false, "", "", "", "",
                          false, {}};
  results.references = {found, caseHint, spelled, missing};
  results.totals = {4, 2, 2, 4, 2};
  results.unused = std::vector<std::string>{"img/old.png"};
  results.completed = true;
  results.exitCode = 0;
  return results;
}
