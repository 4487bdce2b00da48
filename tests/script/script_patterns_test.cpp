#include "script/script_patterns.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "layouts/browser_layout.h"
#include "layouts/desktop_layout.h"
#include "support/pattern_reference.h"

namespace {

// All references of a line, searched the way the scan does: from the start, then on
// from the end of each match.
std::vector<std::string> imageReferences(std::string_view line) {
  std::vector<std::string> references;
  std::size_t from = 0;
  while (auto match = findImageReference(line, from)) {
    references.emplace_back(*match);
    from = static_cast<std::size_t>(match->data() - line.data()) + match->size();
  }
  return references;
}

std::optional<std::string_view> folderHint(std::string_view line) {
  const auto attributes = findTagAttributes(line);
  return attributes ? findFolderValue(*attributes) : std::nullopt;
}

std::string escaped(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

TEST(ScriptPatterns, ImageReferencesOfALine) {
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"a.png a.PNG a.jpg a.JPG", {"a.png", "a.PNG", "a.jpg", "a.JPG"}},
      {"a.Png a.jpeg a.gif a.png2 a.png_old .png _.png", {"_.png"}},
      {"a.png-old", {"a.png"}},
      {"a.png.bak", {"a.png"}},
      {"./bg/a.png", {"bg/a.png"}},
      {"..\\bg\\a.png", {"bg\\a.png"}},
      {"C:\\img\\a.PNG", {"img\\a.PNG"}},
      {"x.png-y.png a.png/b.png", {"x.png-y.png", "a.png/b.png"}},
      {"a.png,b.png", {"a.png", "b.png"}},
      {"\xE8\x83\x8C\xE6\x99\xAF"
       "a.png",
       {"a.png"}},                              // 背景a.png
      {"bg/\xE8\x83\x8C\xE6\x99\xAF.png", {}},  // bg/背景.png
      {"[image storage=ch/a.png folder=\"fgimage\"]\r", {"ch/a.png"}},
      {"a.pngx/b.png-", {"a.pngx/b.png"}},
      {"..png x..png", {"x..png"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(imageReferences(c.line), c.references) << escaped(c.line);
  }
}

TEST(ScriptPatterns, ImageSearchTakesItsStartAsTheStartOfTheText) {
  EXPECT_EQ(findImageReference("ab.png", 1), "b.png");
  EXPECT_EQ(findImageReference("ab.png", 0), "ab.png");
  EXPECT_EQ(findImageReference("a/b.png", 1), "b.png");
  EXPECT_EQ(findImageReference("a.png", 5), std::nullopt);
  EXPECT_EQ(findImageReference("a.png", 6), std::nullopt);
}

// Each byte, within a name, before it and after it: whether it joins the name and
// whether it is a word byte that spoils the boundary after the extension.
TEST(ScriptPatterns, ImageSearchClassifiesEveryByteAsStdRegex) {
  const std::regex& imageRegex = imagePatternReference();
  for (int value = 0; value < 256; ++value) {
    const char byte = static_cast<char>(value);
    for (const std::string& text :
         {"x" + std::string(1, byte) + "y.png", std::string(1, byte) + "y.png" + byte}) {
      std::cmatch expected;
      std::regex_search(text.data(), text.data() + text.size(), expected, imageRegex);
      ASSERT_EQ(place(text, findImageReference(text, 0)), place(text, expected[0]))
          << escaped(text);
    }
  }
}

TEST(ScriptPatterns, FolderHintOfALine) {
  struct Case {
    std::string_view line;
    std::optional<std::string_view> attributes;
    std::optional<std::string_view> hint;
  };
  const Case cases[] = {
      {"[image storage=ch/a.png folder=\"fgimage\"]",
       "storage=ch/a.png folder=\"fgimage\"", "fgimage"},
      {"[bg a.jpg folder=\"x\"][image b.png folder=\"y\"]", "a.jpg folder=\"x\"", "x"},
      {"[bg2 a.png][image folder=\"x\" b.png]", "a.png", std::nullopt},
      {"[bg folder=\"bgimage\"] x.png", "folder=\"bgimage\"", "bgimage"},
      {"bg room.jpg folder=\"x\"", std::nullopt, std::nullopt},
      {"[bg \t folder = \"dir\"]", "folder = \"dir\"", "dir"},
      {"[bg folder=dir]", "folder=dir", std::nullopt},
      {"[bg folder=\"\"]", "folder=\"\"", ""},
      {"[bg subfolder=\"sub\"]", "subfolder=\"sub\"", "sub"},
      {"[image folder=\"abc a.png]", "folder=\"abc a.png", "abc a.png"},
      {"[image folderx=\"a\" folder\t=\"b\"]", "folderx=\"a\" folder\t=\"b\"", "b"},
      {"[Image a.png]", std::nullopt, std::nullopt},
      {"[image]", std::nullopt, std::nullopt},
      {"[image  ]", "", std::nullopt},
      {"[image a.png", std::nullopt, std::nullopt},
      {"[bg2x a] [bgimage b] [bg2\tc]", "c", std::nullopt},
      {"[image a [bg b]", "a [bg b", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(findTagAttributes(c.line), c.attributes) << escaped(c.line);
    EXPECT_EQ(folderHint(c.line), c.hint) << escaped(c.line);
  }
}

// Random short lines over pieces that make the patterns almost match, compared with
// std::regex (ECMAScript, classic locale) at every place.
TEST(ScriptPatterns, AgreeWithStdRegex) {
  const std::regex& imageRegex = imagePatternReference();
  const std::regex& tagRegex = tagPatternReference();
  const std::regex& folderRegex = folderPatternReference();
  const std::string_view pieces[] = {
      "a",         "z",           "Q",      "Z",
      "0",         "9",           "_",      "-",
      ".",         "/",           "\\",     ":",
      ",",         "png",         "PNG",    "jpg",
      "JPG",       "Png",         "jpeg",   ".png",
      ".jpg",      ".PNG",        ".JPG",   "\xE8\x83\x8C\xE6\x99\xAF",
      "\xC3\xA9",  "\x80",        "\xFF",   std::string_view("\0", 1),
      "[",         "]",           "\"",     "=",
      " ",         " ",           "\t",     "\r",
      "\n",        "\v",          "\f",     "image",
      "Image",     "bg",          "bg2",    "folder",
      "[image ",   "[bg ",        "[bg2\t", "[bg2",
      "folder=\"", "folder = \"", "]"};
  constexpr std::size_t kRandomHighByte = std::size(pieces);

  std::mt19937 random(20240601);
  int imageMatches = 0, tagMatches = 0, folderMatches = 0;
  for (int lineIndex = 0; lineIndex < 30000; ++lineIndex) {
    std::string text;
    const int pieceCount = static_cast<int>(random() % 25);
    for (int i = 0; i < pieceCount; ++i) {
      const std::size_t which = random() % (kRandomHighByte + 1);
      if (which == kRandomHighByte) {
        text += static_cast<char>(0x80 + random() % 0x80);
      } else {
        text += pieces[which];
      }
    }
    const std::string_view line = text;
    SCOPED_TRACE(escaped(line));

    // Every start is compared on some lines; on all, the starts the scan reaches.
    const bool everyStart = lineIndex % 8 == 0;
    std::size_t from = 0;
    for (std::size_t start = 0; start <= line.size(); ++start) {
      if (!everyStart && start != from) continue;
      std::cmatch expected;
      std::regex_search(line.data() + start, line.data() + line.size(), expected,
                        imageRegex);
      const auto actual = findImageReference(line, start);
      ASSERT_EQ(place(line, actual), place(line, expected[0])) << "from " << start;
      if (start == from && actual) {
        ++imageMatches;
        from = static_cast<std::size_t>(actual->data() - line.data()) + actual->size();
      }
    }

    std::cmatch tagMatch;
    std::regex_search(line.data(), line.data() + line.size(), tagMatch, tagRegex);
    const auto attributes = findTagAttributes(line);
    ASSERT_EQ(place(line, attributes), place(line, tagMatch[2]));
    tagMatches += attributes.has_value();

    for (std::string_view searched : {line, attributes.value_or("")}) {
      std::cmatch folderMatch;
      std::regex_search(searched.data(), searched.data() + searched.size(), folderMatch,
                        folderRegex);
      const auto value = findFolderValue(searched);
      ASSERT_EQ(place(searched, value), place(searched, folderMatch[1]));
      folderMatches += value.has_value();
    }
  }
  // The lines must exercise matches, not only misses.
  EXPECT_GT(imageMatches, 5000);
  EXPECT_GT(tagMatches, 2500);
  EXPECT_GT(folderMatches, 5000);
}

TEST(ScriptPatterns, LongLines) {
  constexpr std::size_t kSize = 2 << 20;
  auto repeat = [](std::string_view piece, std::size_t size) {
    std::string text;
    while (text.size() < size) text += piece;
    return text;
  };

  const std::string extensions = "x" + repeat(".png", kSize);
  EXPECT_EQ(imageReferences(extensions), std::vector<std::string>{extensions});
  const std::string dotFirst = repeat(".png", kSize);
  EXPECT_EQ(findImageReference(dotFirst, 0), dotFirst.substr(1));
  const std::string joined = repeat("a.png-", kSize);
  EXPECT_EQ(imageReferences(joined),
            std::vector<std::string>{joined.substr(0, joined.size() - 1)});
  EXPECT_EQ(imageReferences(repeat("a.png ", kSize)).size(), kSize / 6 + 1);
  EXPECT_EQ(findImageReference(repeat("ab.pn", kSize), 0), std::nullopt);
  EXPECT_EQ(findImageReference(repeat("/", kSize), 0), std::nullopt);

  EXPECT_EQ(findTagAttributes(repeat("[image ", 100000 * 7)), std::nullopt);
  EXPECT_EQ(findTagAttributes(repeat("[bg2", kSize) + " ]"), "");
  EXPECT_EQ(findTagAttributes(repeat("[image \t", kSize) + "]").value_or("x").size(),
            kSize - 8);
  EXPECT_EQ(findFolderValue(repeat("folder = ", kSize)), std::nullopt);
  EXPECT_EQ(findFolderValue(repeat("folder=\"", kSize)), "folder=");
}

}  // namespace

namespace {

std::vector<std::string> allReferences(std::string_view line) {
  std::vector<FoundReference> found;
  findReferences(line, nullptr, found);
  std::vector<std::string> texts;
  for (const FoundReference& reference : found) texts.emplace_back(reference.text);
  return texts;
}

// Attribute values inside tags are references as a whole; everything else is left to
// the pattern exactly as before.
TEST(ScriptPatterns, WholeAttributeValuesInTags) {
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"[bg storage=\"図書室（日中）.jpg\"]", {"図書室（日中）.jpg"}},
      {"[bg storage=\"prototype menu.png\" time=1000]", {"prototype menu.png"}},
      {"[image storage='背景a.png' layer=0]", {"背景a.png"}},
      {"[chara_new name=\"a\" storage=\"立ち絵/笑顔.png\"]", {"立ち絵/笑顔.png"}},
      {"[bg storage=夜.jpg]", {"夜.jpg"}},
      {"[anim graphic=\"一.jpg, b.jpg ,三.png\"]", {"一.jpg", "b.jpg", "三.png"}},
      {"@bg storage=\"雨 の日.png\" time=500\r", {"雨 の日.png"}},
      {"  @image storage=星.png", {"星.png"}},
      {"x.png [bg storage=\"空.jpg\"] y.png", {"x.png", "空.jpg", "y.png"}},
      {"[bg storage=\"a b.png\"][image storage=\"c d.png\"]", {"a b.png", "c d.png"}},
      {"[bg storage=\"it's.png\"][bg storage=\"a=b.png\"]", {"it's.png", "a=b.png"}},
      {"[bg storage=\"a b,c.png\" x = 'd.png']", {"c.png", "d.png"}},
      // ASCII names keep what the pattern finds.
      {"[bg storage=\"./bg/room.jpg\"]", {"bg/room.jpg"}},
      {"[bg storage=\"x.png-y.png\"]", {"x.png-y.png"}},
      // No whole value: a quote left open, the folder, an expression, no tag.
      {"[bg storage=\"夜 a.png]", {"a.png"}},
      {"[bg storage=\"夜.png] x.png\"", {"x.png"}},
      {"[image folder=\"素材 a.png\" storage=b.png]", {"a.png", "b.png"}},
      {"[image storage=\"&f.夜.png\"]", {}},
      {"storage=\"夜 a.png\"", {"a.png"}},
      {"[ bg storage=\"夜 a.png\"]", {"a.png"}},
      {"[bg storage=\"夜 a.png\"", {"a.png"}},
      {"[bg storage=\"夜.jpeg\"]", {"夜.jpeg"}},
      {"[bg storage=\"夜.png old\"]", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(allReferences(c.line), c.references) << escaped(c.line);
  }
}

}  // namespace

namespace {

// What the scan finds in a value: every image format, names left empty, and runs of
// quotes and equals signs inside an unquoted value.
TEST(ScriptPatterns, WholeValuesOfEveryImageFormat) {
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"[bg storage=\"toumei.gif\"]", {"toumei.gif"}},
      {"[bg storage=a.webp time=100]", {"a.webp"}},
      {"[bg storage='A.JPEG']", {"A.JPEG"}},
      {"[image storage=icon.svg layer=1]", {"icon.svg"}},
      {"@bg storage=\"x.BMP, y.gif\"", {"x.BMP", "y.gif"}},
      {"[bg2 storage=\".jpg\"]", {".jpg"}},
      {"[bg storage=\".PNG\" time=1]", {".PNG"}},
      {"[bg storage=\"a.png,.jpg\"]", {"a.png", ".jpg"}},
      {"[bg storage=\"夜.Png\"]", {"夜.Png"}},
      // ASCII .png/.jpg values stay with the pattern, which knows four spellings.
      {"[bg storage=\"a.Png\"]", {}},
      {"[bg storage=\"a.png\"]", {"a.png"}},
      // Outside a tag only the pattern counts.
      {"toumei.gif a.webp .jpg", {}},
      {"[bg storage=\"a.gifx\" x=b.svg2]", {}},
      {"[bg folder=\"x.gif\" storage=\"&f.gif\"]", {}},
      // An unquoted value runs to the next blank, quotes and equals signs included.
      {"[bg storage=背景=\"b.png]", {"背景=\"b.png"}},
      {"[bg storage='背景=\"b.png']", {"背景=\"b.png"}},
      {"[bg storage=x=\"b.png time=1]", {"x=\"b.png"}},
      {"[bg a= foo=\"b.png]", {"foo=\"b.png"}},
      {"[bg x='a storage=\"b.png']", {"a storage=\"b.png"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(allReferences(c.line), c.references) << escaped(c.line);
  }
}

std::string describe(const FoundReference& reference) {
  std::string text(reference.text);
  switch (reference.place.from) {
    case LoadFrom::anywhere:
      return text;
    case LoadFrom::folder:
      return text + " <" + std::string(reference.place.folder) + ">";
    case LoadFrom::gameFolder:
      return text + " <game>";
    case LoadFrom::searchPath:
      return text + " <path>";
  }
  return text;
}

std::vector<std::string> referencesWith(const TagTable& table, std::string_view line) {
  std::vector<FoundReference> found;
  findReferences(line, &table, found);
  std::vector<std::string> described;
  for (const FoundReference& reference : found) described.push_back(describe(reference));
  return described;
}

TEST(ScriptPatterns, BrowserTagsLoadFromTheirFolder) {
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"[bg storage=room]", {"room <bgimage>"}},
      {"[bg2 storage=\"夜 の街.jpg\" time=500]", {"夜 の街.jpg <bgimage>"}},
      {"[image storage=a.png]", {"a.png <bgimage>"}},
      {"[image storage=a.png layer=base]", {"a.png <bgimage>"}},
      {"[image storage=a.png layer=1]", {"a.png <fgimage>"}},
      {"[image layer=1 folder=\"image/ui\" storage=a.png]", {"a.png <image/ui>"}},
      {"[chara_new name=a storage=\"chara/a/normal.png\" jname=あ]",
       {"chara/a/normal.png <fgimage>"}},
      {"[chara_layer storage=none]", {}},
      {"[button graphic=start.png enterimg=start2.png target=*go]",
       {"start.png <image>", "start2.png <image>"}},
      {"[button graphic=x.png folder=bgimage]", {"x.png <bgimage>"}},
      {"[glink graphic=g.png]", {"g.png <image>"}},
      {"[mask graphic=m.png folder=fgimage]", {"m.png <fgimage>"}},
      {"[cursor storage=default]", {}},
      {"[xanim svg=anim.svg]", {"anim.svg <image>"}},
      {"[position frame=none]", {}},
      {"[position frame=frame.png]", {"frame.png <image>"}},
      {"[dialog_config_ok img=ok.png activeimg=ok2.png]",
       {"ok.png <image>", "ok2.png <image>"}},
      {"[mode_effect skip=s.png auto=default]", {"s.png <image>"}},
      {"[body bgimage=transparent]", {}},
      {"[body bgimage=paper.jpg]", {"paper.jpg <bgimage>"}},
      {"[save_img storage=default]", {}},
      {"[save_img storage=s.png folder=image]", {"s.png <image>"}},
      {"[preload storage=\"data/fgimage/a.png,data/bgimage/b.jpg\"]",
       {"data/fgimage/a.png <game>", "data/bgimage/b.jpg <game>"}},
      // Expressions, macro arguments, "*", empty values and addresses name nothing;
      // an address hides what the pattern would find in it.
      {"[bg storage=&f.bg]", {}},
      {"[bg storage=%storage]", {}},
      {"[bg storage=* time=1]", {}},
      {"[bg storage=\"\"]", {}},
      {"[bg storage=\"http://example.com/a.png,b.png\"]", {}},
      {"[bg storage=\"data:image/png;base64,x.png\"]", {}},
      // Tag names exact; other tags and attributes keep the plain rules.
      {"[BG storage=a.png]", {"a.png"}},
      {"[bg storage2=a.png]", {"a.png"}},
      {"[anim graphic=\"一.jpg\"] x.png", {"一.jpg", "x.png"}},
      {"<img src=\"data/bgimage/room.jpg\">", {"data/bgimage/room.jpg"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(referencesWith(browserTagTable(), c.line), c.references) << escaped(c.line);
  }
}

TEST(ScriptPatterns, DesktopTagsAreSearchedOnThePath) {
  struct Case {
    std::string_view line;
    std::vector<std::string> references;
  };
  const Case cases[] = {
      {"[image storage=\"bg01\" layer=base]", {"bg01 <path>"}},
      {"@image layer=base page=back storage=\"opbg\"", {"opbg <path>"}},
      {"[IMAGE Storage=bg02 mapimage=map]", {"bg02 <path>", "map <path>"}},
      {"[button graphic=close target=*back]", {"close <path>"}},
      {"[trans rule=fade time=500]", {"fade <path>"}},
      {"[trans method=universal rule=fade]", {"fade <path>"}},
      {"[trans method=crossfade rule=fade]", {}},
      {"[trans method=crossfade rule=fade.png]", {"fade.png"}},
      {"[glyph line=lg page=pg]", {"lg <path>", "pg <path>"}},
      {"[image storage=&f.bg]", {}},
      {"[image storage=%s]", {}},
      {"[image storage=*]", {}},
      {"[image storage=\"\"]", {}},
      {"[bg storage=room]", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(referencesWith(desktopTagTable(), c.line), c.references) << escaped(c.line);
  }
}

// The feed reads references only from lines mayHoldReference lets through: on every
// line it turns away, the full search must find nothing either.
TEST(ScriptPatterns, TheCheapTestNeverTurnsAwayAReference) {
  const std::string_view pieces[] = {
      "a",      "夜",      " ",       "\t",     ",",       ".",      "=",     "\"",
      "'",      "[",       "]",       "@",      "&",       "%",      "*",     ".png",
      ".PNG",   ".Png",    ".jpg",    ".jpeg",  ".GIF",    ".webp",  ".bmp",  ".svg",
      ".pn",    "png",     "bg ",     "image ", "storage", "folder", "layer", "base",
      "button", "graphic", "preload", "trans ", "method",  "http",   "none",  "\r"};
  const TagTable* const tables[] = {nullptr, &browserTagTable(), &desktopTagTable()};
  std::mt19937 random(20261207);
  int found = 0;
  for (int lineIndex = 0; lineIndex < 30000; ++lineIndex) {
    std::string line;
    const int pieceCount = static_cast<int>(random() % 16);
    for (int i = 0; i < pieceCount; ++i) line += pieces[random() % std::size(pieces)];
    for (const TagTable* table : tables) {
      std::vector<FoundReference> references;
      findReferences(line, table, references);
      found += !references.empty();
      if (!mayHoldReference(line, table)) {
        ASSERT_TRUE(references.empty()) << escaped(line);
      }
    }
  }
  EXPECT_GT(found, 5000);  // the lines must hold references, not only misses
}

}  // namespace
