#include "script/script_loads.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "script/script_outline.h"

namespace {

// A load as one line of text: kind, storage and target with the column each is
// written at ("-" when not written on the line), folder, the script a macro's body
// means, "fixed", and the macro that made it.
std::string describe(const FoundLoad& load) {
  const auto at = [](std::size_t column) {
    return column == std::string_view::npos ? std::string("-") : std::to_string(column);
  };
  std::string text = load.kind == LoadKind::jump    ? "jump"
                     : load.kind == LoadKind::sound ? "sound"
                                                    : "video";
  text += " " + std::string(load.storage) + "@" + at(load.storageColumn);
  if (load.kind == LoadKind::jump)
    text += " " + std::string(load.target) + "@" + at(load.targetColumn);
  if (!load.folder.empty()) text += " in " + std::string(load.folder);
  if (!load.inScript.empty()) text += " of " + std::string(load.inScript);
  if (load.fixed) text += " fixed";
  if (!load.macro.empty()) text += " by " + std::string(load.macro);
  return text;
}

std::vector<std::string> loadsOf(std::string_view line, const LoadRules& rules,
                                 bool inMacroBody = false) {
  std::vector<FoundLoad> loads;
  findLoads(line, rules, loads, inMacroBody);
  std::vector<std::string> described;
  for (const FoundLoad& load : loads) described.push_back(describe(load));
  return described;
}

// The macros of one script, "scenario/macros.ks", as a project's reading makes them.
MacroTable macrosOf(std::string_view script, bool desktop) {
  MacroTable table;
  table.naming.ignoresCase = desktop;
  const ScriptOutline outline =
      outlineScript(script, "scenario/macros.ks", OutlineRules{table.naming, desktop});
  addMacroDefinitions(table, outline.macros);
  return table;
}

struct LoadCase {
  std::string_view line;
  std::vector<std::string> loads;
  bool inMacroBody = false;
};

void expectLoads(const std::vector<LoadCase>& cases, const LoadRules& rules) {
  for (const LoadCase& c : cases) {
    EXPECT_EQ(loadsOf(c.line, rules, c.inMacroBody), c.loads) << c.line;
  }
}

const std::string_view kBrowserMacros =
    "[macro name=go][jump target=%t][endmacro]\n"
    "[macro name=top][jump target=*fixed][endmacro]\n"
    "[macro name=away][jump storage=%s|other.ks target=*x][endmacro]\n"
    "[macro name=se][playse storage=%s|click.ogg][endmacro]\n"
    "[macro name=movie][playse storage=never.ogg][endmacro]\n";

TEST(ScriptLoads, BrowserStyleTagsAndCalls) {
  const MacroTable macros = macrosOf(kBrowserMacros, false);
  const LoadRules rules{&browserLoadTable(), true, true, &browserTagTable(), &macros};
  expectLoads(
      {
          {"[jump storage=a.ks target=*x]", {"jump a.ks@14 *x@26"}},
          {"@jump target=start", {"jump @- start@13"}},
          {"[call storage=\"sub/b.ks\"]", {"jump sub/b.ks@15 @-"}},
          {"[jump]\n", {}},                // neither: no jump
          {"[Jump target=*x]", {}},        // names are exact
          {"[button graphic=b.png]", {}},  // runs an expression, jumps nowhere
          {"[button role=menu target=*x]", {}},
          {"[button graphic=b.png fix=true target=*x]", {"jump @- *x@38 fixed"}},
          {"[link target=*a]選ぶ[endlink][glink target=*b clickse=c.ogg]",
           {"jump @- *a@13", "jump @- *b@45", "sound c.ogg@56 in sound"}},
          {"[dialog storage=a.ks target=*ok storage_cancel=b.ks target_cancel=*ng]",
           {"jump a.ks@16 *ok@28", "jump b.ks@47 *ng@66"}},
          {"[jump storage=&f.s target=*x][jump storage=a.ks target=&f.t]",
           {"jump a.ks@43 @-"}},
          {"[jump storage=%s target=*x][jump target=%t]", {}},
          {"[clickable target=*c][sleepgame storage=c.ks]",
           {"jump @- *c@18", "jump c.ks@40 @-"}},
          {"[playbgm storage=a.ogg][playbgm storage=b.ogg target=se][fadeinbgm "
           "storage=c.ogg]",
           {"sound a.ogg@17 in bgm", "sound b.ogg@40 in sound", "sound c.ogg@75 in bgm"}},
          {"[playse storage=\"http://x/a.ogg\"][fadeinse storage=\" b.ogg \"]",
           {"sound b.ogg@53 in sound"}},
          {"[movie storage=op.webm][layermode_movie video=m.mp4][bgmovie storage=&v]",
           {"video op.webm@15 in video", "video m.mp4@46 in video"}},
          {"[dialog_config_ok enterse=e.ogg leavese=l.ogg]",
           {"sound e.ogg@26 in sound", "sound l.ogg@40 in sound"}},
          // Calls: what the call gives is checked here, the body's own text at its line.
          {"[go t=*x]", {"jump @- *x@6 of scenario/macros.ks by go"}},
          {"[top]", {}},
          {"[away s=b.ks]", {"jump b.ks@8 *x@- by away"}},
          {"[away]", {"jump other.ks@- *x@- by away"}},
          {"[se][se s=a.ogg]",
           {"sound click.ogg@- in sound by se", "sound a.ogg@10 in sound by se"}},
          // The engine's own tag wins over a macro of its name.
          {"[movie storage=op.webm]", {"video op.webm@15 in video"}},
          // In a body: the script that defines it is meant; "%" values wait for calls.
          {"[jump target=*x]", {"jump @- *x@13"}, true},
          {"[jump target=%t][playse storage=%s|a.ogg]", {}, true},
      },
      rules);
}

const std::string_view kDesktopMacros =
    "[macro name=here][jump target=*x][endmacro]\n"
    "[macro name=there][jump storage=a.ks target=*x][endmacro]\n"
    "[macro name=JUMP][playse storage=never][endmacro]\n"
    "[macro name=ring][playse storage=%s][endmacro]\n";

TEST(ScriptLoads, DesktopStyleTagsAndCalls) {
  const MacroTable macros = macrosOf(kDesktopMacros, true);
  const LoadRules rules{&desktopLoadTable(), true, true, &desktopTagTable(), &macros};
  expectLoads(
      {
          {"[JUMP Storage=a.ks TARGET=*x]", {"jump a.ks@14 *x@26"}},
          {"@call storage=b.ks", {"jump b.ks@14 @-"}},
          {"[rclick storage=a.ks][rclick call=true target=*r][rclick jump=false "
           "target=*n]",
           {"jump @- *r@46"}},
          {"[click se=c target=*a][timeout se=t storage=b.ks][wheel target=*w]",
           {"jump @- *a@19", "sound c@10", "jump b.ks@44 @-", "sound t@34",
            "jump @- *w@63"}},
          {"[link target=*l clickse=c enterse=e][button graphic=b target=start]",
           {"jump @- *l@13", "sound c@24", "sound e@34", "jump @- start@61"}},
          {"[playbgm storage=bgm01][xchgbgm storage=b][openvideo storage=op.mpg]",
           {"sound bgm01@17", "sound b@40", "video op.mpg@61"}},
          {"[glink target=*x][movie storage=m]", {}},  // not this engine's tags
          // Calls: a body's jump without storage goes where each call is.
          {"[here]", {"jump @- *x@- by here"}},
          {"[HERE]", {"jump @- *x@- by HERE"}},
          {"[there]", {}},
          {"[ring s=se01]", {"sound se01@8 by ring"}},
          // The control tags are never a macro's.
          {"[jump target=*y]", {"jump @- *y@13"}},
          // In a body: a jump without storage waits for the calls.
          {"[jump target=*x]", {}, true},
          {"[jump storage=a.ks target=*x]", {"jump a.ks@14 *x@26"}, true},
      },
      rules);
}

TEST(ScriptLoads, OnlyTheChosenKinds) {
  const std::string_view line = "[jump target=*x][playse storage=a.ogg]";
  EXPECT_EQ(loadsOf(line, {&browserLoadTable(), true, false, nullptr, nullptr}),
            std::vector<std::string>{"jump @- *x@13"});
  EXPECT_EQ(loadsOf(line, {&browserLoadTable(), false, true, nullptr, nullptr}),
            std::vector<std::string>{"sound a.ogg@32 in sound"});
  EXPECT_TRUE(loadsOf(line, {}).empty());
}

}  // namespace
