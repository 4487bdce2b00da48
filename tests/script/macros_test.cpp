// Macro calls as the reference search sees them: what a call of each kind of body
// loads, from where, reported at which column and through which macro.
#include "script/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "layouts/load_table.h"
#include "script/script_outline.h"
#include "script/script_patterns.h"

namespace {

// The macros that `definitions` (a script's text) defines, read as a run reads them.
MacroTable macrosOf(std::string_view definitions, bool desktop) {
  OutlineRules rules;
  rules.naming.ignoresCase = desktop;
  rules.naming.engineLoads = desktop ? &desktopLoadTable() : &browserLoadTable();
  rules.desktopLabels = desktop;
  MacroTable table;
  table.naming = rules.naming;
  addMacroDefinitions(table, outlineScript(definitions, "macros.ks", rules).macros);
  return table;
}

// "text <folder> @column (macro)": a reference as the run reports it.
std::string describe(std::string_view line, const FoundReference& reference) {
  std::string out(reference.text);
  switch (reference.place.from) {
    case LoadFrom::anywhere:
      break;
    case LoadFrom::folder:
      out += " <" + std::string(reference.place.folder) + ">";
      break;
    case LoadFrom::gameFolder:
      out += " <game>";
      break;
    case LoadFrom::searchPath:
      out += " <path>";
      break;
  }
  if (reference.column != std::string_view::npos) {
    EXPECT_EQ(line.substr(reference.column, reference.text.size()), reference.text);
    out += " @" + std::to_string(reference.column);
  }
  if (!reference.macro.empty()) out += " (" + std::string(reference.macro) + ")";
  return out;
}

constexpr std::string_view kBrowserMacros =
    "[macro name=ex_bg]\n"
    "[bg storage=%storage time=%time|500]\n"
    "[endmacro]\n"
    "[macro name=pic]\n"
    "[image storage=%s|room.jpg layer=%layer|base]\n"
    "[ex_bg *]\n"
    "[endmacro]\n"
    "@macro name=outer\n"
    "[pic s=%face layer=1]\n"
    "@endmacro\n"
    "[macro name=bg]\n"  // an engine tag's name: the engine's tag wins
    "[image storage=%storage layer=1]\n"
    "[endmacro]\n"
    "[macro name=playse]\n"  // so does the engine's sound tag
    "[image storage=%storage layer=1]\n"
    "[endmacro]\n"
    "[macro name=loop]\n"
    "[image storage=%a layer=1]\n"
    "[loop a=%b]\n"
    "[endmacro]\n"
    "[macro name=fixed]\n"
    "[bg storage=literal.jpg]\n"
    "[endmacro]\n"
    "; [macro name=commented]\n"
    "[macro name=Mixed]\n"
    "[bg storage=%f]\n"
    "[endmacro]\n";

TEST(Macros, BrowserCallsLoadWhatTheirBodiesLoad) {
  const MacroTable macros = macrosOf(kBrowserMacros, false);
  const ReadingRules rules(&browserTagTable(), &macros);
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      // %attr: the call's value, loaded where the body's tag loads, at its column.
      {"[ex_bg storage=\"kuro.jpg\"]", {"kuro.jpg <bgimage> @16 (ex_bg)"}},
      {"@ex_bg storage=a.jpg time=3", {"a.jpg <bgimage> @15 (ex_bg)"}},
      // %attr|default: the default, at the call's start, when the call has none.
      {"[pic]", {"room.jpg <bgimage> (pic)"}},
      // The default's layer decides the folder, the call's layer wins over it.
      {"[pic s=a.png layer=2]", {"a.png <fgimage> @7 (pic)"}},
      // "*" hands every value on to the inner call: ex_bg's storage comes from here.
      {"[pic s=a.png storage=b.jpg]",
       {"a.png <bgimage> @7 (pic)", "b.jpg <bgimage> @21 (pic)"}},
      // Nested calls report the outermost macro; a value passed through keeps its
      // column.
      {"[outer face=f.png]", {"f.png <fgimage> @12 (outer)"}},
      // A %attr the call lacks, with no default, names nothing.
      {"[ex_bg time=1]", {}},
      // The engine's own tag wins over a macro of its name.
      {"[bg storage=x.jpg]", {"x.jpg <bgimage> @12"}},
      {"[playse storage=x.png]", {"x.png @16"}},
      // A macro that reaches itself is expanded once: the inner call's value is left
      // to today's rules.
      {"[loop a=l.png b=m.png]", {"l.png <fgimage> @8 (loop)", "m.png @16"}},
      // A body's literal is checked at its own line, not at each call.
      {"[fixed]", {}},
      // Values the body does not load follow today's rules; expressions and
      // macro arguments name nothing.
      {"[ex_bg storage=&f.bg other=\"図.png\"]", {"図.png @28"}},
      {"[ex_bg storage=\"http://x/a.png\"]", {}},
      // Names match exactly; a definition on a comment line defines nothing: such
      // tags follow today's rules.
      {"[mixed f=a.jpg][commented storage=b.jpg]", {"a.jpg @9", "b.jpg @34"}},
      {"[Mixed f=a.jpg]", {"a.jpg <bgimage> @9 (Mixed)"}},
      // Several items of one value.
      {"[ex_bg storage=\"a.jpg, b.jpg\"]",
       {"a.jpg <bgimage> @16 (ex_bg)", "b.jpg <bgimage> @23 (ex_bg)"}},
  };
  for (const Case& c : cases) {
    std::vector<FoundReference> found;
    findReferences(c.line, rules, found);
    std::vector<std::string> described;
    for (const FoundReference& reference : found) {
      described.push_back(describe(c.line, reference));
    }
    EXPECT_EQ(described, c.references) << c.line;
    EXPECT_TRUE(found.empty() || mayHoldReference(c.line, rules)) << c.line;
  }
}

TEST(Macros, DesktopNamesIgnoreLetterCaseAndMacrosWinOverTheEngine) {
  const MacroTable macros = macrosOf(
      "*start\n"
      "@Macro Name=F_FI\n"
      "@image storage=%storage layer=base page=back\n"
      "@EndMacro\n"
      "[macro name=img]\n"  // a macro named as an engine tag: the macro wins
      "[image storage=%s]\n"
      "[endmacro]\n"
      "[macro name=jump]\n"  // never for the control tags
      "[image storage=%storage]\n"
      "[endmacro]\n",
      true);
  const ReadingRules rules(&desktopTagTable(), &macros);
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"[f_fi storage=01]", {"01 <path> @14 (f_fi)"}},
      {"@F_FI STORAGE=bg02", {"bg02 <path> @14 (F_FI)"}},
      {"[IMG s=ev01]", {"ev01 <path> @7 (IMG)"}},
      {"[img storage=ev01]", {}},
      {"[jump storage=first.ks]", {}},
  };
  for (const Case& c : cases) {
    std::vector<FoundReference> found;
    findReferences(c.line, rules, found);
    std::vector<std::string> described;
    for (const FoundReference& reference : found) {
      described.push_back(describe(c.line, reference));
    }
    EXPECT_EQ(described, c.references) << c.line;
  }
}

// On the lines of a body, a value holding "%" is filled in at each call: neither it
// nor a name inside it is checked there.
TEST(Macros, BodyValuesHoldingPercentAreNotCheckedAtTheBody) {
  const MacroTable macros = macrosOf(kBrowserMacros, false);
  const ReadingRules rules(&browserTagTable(), &macros);
  std::vector<FoundReference> found;
  findReferences("[image storage=%s|room.jpg layer=1 x=%y|a.png]", rules, found, true);
  EXPECT_TRUE(found.empty());
  findReferences("[image storage=%s|room.jpg layer=1 x=%y|a.png]", rules, found, false);
  ASSERT_EQ(found.size(), 2u) << "outside a body, today's rules";
  EXPECT_EQ(found[0].text, "room.jpg");
  EXPECT_EQ(found[1].text, "%y|a.png");
}

TEST(Macros, DefinitionsOfAScript) {
  const ScriptOutline outline = outlineScript(
      "[macro name=a][bg storage=%s]\n"
      "line\n"
      "[endmacro]\n"
      "/*\n"
      "[macro name=hidden]\n"
      "*/\n"
      "@macro name=b\n"
      "[macro name=c]\n"       // a definition inside another ends the first
      "[image storage=%x]\n",  // c runs to the script's end
      "s.ks", {});
  ASSERT_EQ(outline.macros.size(), 3u);
  EXPECT_EQ(outline.macros[0].name, "a");
  EXPECT_EQ(outline.macros[0].body.size(), 1u);
  EXPECT_EQ(outline.macros[1].name, "b");
  EXPECT_TRUE(outline.macros[1].body.empty());
  EXPECT_EQ(outline.macros[2].name, "c");
  EXPECT_EQ(outline.macros[2].body.at(0).line, 9);
  const std::vector<std::pair<int, int>> bodies = {{1, 3}, {7, 8}, {8, 9}};
  EXPECT_EQ(outline.macroBodies, bodies);
}

// The word is found wherever it stands on a tag line, in any case (desktop-style),
// after partial matches of itself, and at the very end of the script; never across a
// line break.
TEST(Macros, DefinitionsWhereverTheWordStands) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"[MACRO name=up]\n[endmacro]", "up"},
      {"@Macro name=at\n@endmacro\n", "at"},
      {"[l][macmacro name=no][macro name=after]", "after"},
      {"\xe3\x81\x82[macro name=jp]\r\n[endmacro]\r\n", "jp"},
      {"[mac\nro name=split]", ""},
      {"text\n[macro name=last]", "last"},
  };
  for (const auto& [text, expected] : cases) {
    std::string names;
    for (const MacroDefinition& macro : macrosOf(text, true).definitions) {
      names += macro.name;
    }
    EXPECT_EQ(names, expected) << text;
  }
}

}  // namespace
