// Whole runs over the shapes real projects take: scripts saved by older tools in
// Shift-JIS or UTF-16, images named in Japanese inside tags, folders that share file
// names, and text holding zero bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/platform_paths.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string shiftJis(std::string_view utf8) {
  return encodeCp932Strict(decodeUtf8(utf8)).value();
}

std::string utf16(std::string_view utf8, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const wchar_t wc : decodeUtf8(utf8)) {
    const auto unit = static_cast<char16_t>(wc);  // the cases stay in the BMP
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

std::string withZeroBytes(std::string text) {
  for (auto& c : text) {
    if (c == '@') c = '\0';
  }
  return text;
}

struct RealCase {
  const char* label;
  std::vector<ProjectFile> files;
  std::string report;                   // after the byte-order mark
  std::vector<std::string> consoleHas;  // {sep} for the separator
  std::vector<std::string> logHas;
};

const std::string kSjisScript =
    "*start\r\n[bg storage=\"図書室（日中）.jpg\"]\r\n「こんにちは」\r\n"
    "[image storage=\"立ち絵/笑顔 大.png\" folder=\"fgimage\"]\r\n[bg "
    "storage=\"無い.jpg\"]\r\n";

const std::string kUtf16Script =
    "《台詞》[bg storage=\"夜 の街.png\"]\r\n@image storage=星.png layer=1\r\nx.png";

const RealCase kCases[] = {
    {"a Shift-JIS script with Japanese names in tags",
     {{"scenario/a.ks", shiftJis(kSjisScript)},
      {"bgimage/図書室（日中）.jpg", ""},
      {"fgimage/立ち絵/笑顔 大.png", ""}},
     "a.ks (行 2): 図書室（日中）.jpg -> 存在します (フォルダ: bgimage)\n"
     "a.ks (行 4): 立ち絵/笑顔 大.png -> 存在します (フォルダ: fgimage)\n"
     "■a.ks (行 5): 無い.jpg -> 存在しません\n",
     {"[INFO] Shift-JIS として読み込みます: a.ks\n"},
     {"[INFO] Shift-JIS として読み込みます: a.ks\n[DEBUG] 行変換成功: a.ks 行 2 ("}},
    {"UTF-16 little-endian with CR LF",
     {{"scenario/a.ks", utf16(kUtf16Script, false)},
      {"bg/夜 の街.png", ""},
      {"星.png", ""}},
     "a.ks (行 1): 夜 の街.png -> 存在します (フォルダ: bg)\n"
     "a.ks (行 2): 星.png -> 存在します (フォルダ: .)\n"
     "■a.ks (行 3): x.png -> 存在しません\n",
     {"[INFO] UTF-16 として読み込みます: a.ks\n"},
     {"[DEBUG] 行変換成功: a.ks 行 3 (x.png) \n"}},
    {"UTF-16 big-endian with CR LF",
     {{"scenario/a.ks", utf16(kUtf16Script, true)}, {"星.png", ""}},
     "■a.ks (行 1): 夜 の街.png -> 存在しません\n"
     "a.ks (行 2): 星.png -> 存在します (フォルダ: .)\n"
     "■a.ks (行 3): x.png -> 存在しません\n",
     {"[INFO] UTF-16 として読み込みます: a.ks\n"},
     {}},
    {"a name CP932 cannot hold is looked up by its own characters",
     {{"scenario/a.ks", "[bg storage=\"한글 배경.png\"]\n[bg storage=\"한글 ?.png\"]\n"},
      {"bg/한글 배경.png", ""},
      {"bg/?? ??.png", ""}},
     "a.ks (行 1): 한글 배경.png -> 存在します (フォルダ: bg)\n"
     "■a.ks (行 2): 한글 ?.png -> 存在しません\n",
     {},
     {"[DEBUG] 画像ファイル検出: a.ks 行 1 (?? ??.png) \n"}},
    {"the reference's own folders choose among files of one name",
     {{"scenario/a.ks",
       "[image storage=\"majimegane/uniform/shy.png\"]\n"
       "[image storage=\"osananajimi\\uniform\\shy.png\"]\n"
       "shy.png ../majimegane/ase.png\n"},
      {"fgimage/a/uniform/shy.png", ""},
      {"fgimage/majimegane/uniform/shy.png", ""},
      {"fgimage/osananajimi/uniform/shy.png", ""},
      {"fgimage/other/ase.png", ""}},
     "a.ks (行 1): majimegane/uniform/shy.png -> 存在します (フォルダ: "
     "fgimage{sep}majimegane{sep}uniform)\n"
     "a.ks (行 2): osananajimi\\uniform\\shy.png -> 存在します (フォルダ: "
     "fgimage{sep}osananajimi{sep}uniform)\n"
     "a.ks (行 3): shy.png -> 存在します (フォルダ: fgimage{sep}a{sep}uniform)\n"
     "a.ks (行 3): majimegane/ase.png -> 存在します (フォルダ: fgimage{sep}other)\n",
     {"[WARNING] 参照とは別のフォルダで見つかりました: majimegane/ase.png (フォルダ: "
      "fgimage{sep}other)\n"},
     {"[DEBUG] 画像ファイル確認: majimegane/ase.png (存在: fgimage{sep}other) \n"
      "[WARNING] 参照とは別のフォルダで見つかりました: majimegane/ase.png (フォルダ: "
      "fgimage{sep}other)\n"}},
    // The system would read such a path only up to the zero byte: x, or x/夜.
    {"a zero byte in a hint or a value names nothing",
     {{"scenario/a.ks", withZeroBytes("[bg folder=\"x@\" storage=a.png]\n"
                                      "[bg folder=\"x\" storage=\"夜@.png\"]\n")},
      {"x/夜", ""}},
     withZeroBytes("■a.ks (行 1): a.png -> 存在しません\n"
                   "■a.ks (行 2): 夜@.png -> 存在しません\n"),
     {},
     {withZeroBytes("[DEBUG] 画像ファイル確認: 夜@.png (存在: いいえ) \n")}},
};

void PrintTo(const RealCase& c, std::ostream* out) { *out << c.label; }

class RealProjects : public testing::TestWithParam<RealCase> {};

TEST_P(RealProjects, ReadEveryScriptAndSeeEveryName) {
  const RealCase& c = GetParam();
  TempProject project;
  project.write(c.files);

  const ProgramResult result = runProgramIn(project.root);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(project.report(), kBom + withPlatformSeparator(c.report));
  for (const auto& line : c.consoleHas) {
    EXPECT_TRUE(contains(result.out, withPlatformSeparator(line))) << line << "\n---\n"
                                                                   << result.out;
  }
  EXPECT_FALSE(contains(result.out, "不正なバイト列")) << result.out;
  const std::string log = project.errorLog();
  for (const auto& line : c.logHas) {
    EXPECT_TRUE(contains(log, withPlatformSeparator(line))) << line << "\n---\n" << log;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, RealProjects, testing::ValuesIn(kCases));

TEST(RealProjects, AZeroByteInAHintFailsTheRunWhenAskedTo) {
  TempProject project;
  project.write("scenario/a.ks", withZeroBytes("[bg folder=\"x@\" storage=a.png]\n"));
  project.makeFolder("x");
  EXPECT_EQ(runProgramIn(project.root, {"--fail-on-missing"}).exitCode, 2);
}

}  // namespace
