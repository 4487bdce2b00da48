// The HTML page: project text never becomes markup, links lead from wherever the page
// is written to the project's files, and the page shows what the run met. What a
// browser makes of the page is checked in tests/browser.
#include "outputs/html_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "outputs/html_text.h"
#include "outputs/url_path.h"
#include "support/run_program.h"
#include "support/temp_project.h"
#include "support/text_search.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

TEST(HtmlText, EscapesMarkupAndEncodesUrls) {
  const bool windows = fs::path::preferred_separator == '\\';
  struct Case {
    std::string text;
    std::string escaped;
    std::string url;
  };
  const Case cases[] = {
      {"", "", ""},
      {"data/bg/room_1-a.~.png", "data/bg/room_1-a.~.png", "data/bg/room_1-a.~.png"},
      {"<b>&\"'#%?.png", "&lt;b&gt;&amp;&quot;&#39;#%?.png",
       "%3Cb%3E%26%22%27%23%25%3F.png"},
      {"&amp;&lt;", "&amp;amp;&amp;lt;", "%26amp%3B%26lt%3B"},
      {"<script>alert(1)</script>.png", "&lt;script&gt;alert(1)&lt;/script&gt;.png",
       "%3Cscript%3Ealert%281%29%3C/script%3E.png"},
      {"javascript:x.png", "javascript:x.png", "javascript%3Ax.png"},
      {"教室 (昼).png", "教室 (昼).png", "%E6%95%99%E5%AE%A4%20%28%E6%98%BC%29.png"},
      {"a+b=c,d;e@f!g$h*i[j].png", "a+b=c,d;e@f!g$h*i[j].png",
       "a%2Bb%3Dc%2Cd%3Be%40f%21g%24h%2Ai%5Bj%5D.png"},
      {"a\\b.png", "a\\b.png", windows ? "a/b.png" : "a%5Cb.png"},
      {"tab\there\nline", "tab\there\nline", "tab%09here%0Aline"},
  };
  for (const Case& c : cases) {
    std::string escaped = "kept:";
    appendHtmlEscaped(c.text, escaped);
    EXPECT_EQ(escaped, "kept:" + c.escaped);
    std::string url = "kept:";
    appendUrlPath(c.text, url);
    EXPECT_EQ(url, "kept:" + c.url);
  }
}

TEST(HtmlText, LeadsFromThePageToTheRoot) {
  const bool windows = fs::path::preferred_separator == '\\';
  struct Case {
    const wchar_t* page;
    const wchar_t* root;
    std::string url;
  };
  const Case cases[] = {
      {L"/game/report.html", L"/game", ""},
      {L"/game/./report.html", L"/game/", ""},
      {L"/game/out/ci/report.html", L"/game", "../../"},
      {L"/game/../out/report.html", L"/game", "../game/"},
      {L"/tmp/report.html", L"/home/me/作品 #1", "../home/me/%E4%BD%9C%E5%93%81%20%231/"},
      {L"/game/sub dir/report.html", L"/game/sub dir/a", "a/"},
      // No relative path to another drive; elsewhere, a folder whose name must not
      // read as a scheme.
      {L"D:/out/r.html", L"C:/game", windows ? "file:///C:/game/" : "../../C%3A/game/"},
  };
  for (const Case& c : cases) {
    // Wide text: a narrow path would pass through the Windows code page.
    EXPECT_EQ(urlFromPageToRoot(*pathFromWide(c.page), *pathFromWide(c.root)), c.url)
        << c.url;
  }
}

ReferenceResult referenceAt(std::size_t script, int line, std::string reference,
                            std::string file = "") {
  ReferenceResult result;
  result.script = script;
  result.line = line;
  result.reference = std::move(reference);
  result.found = !file.empty();
  result.folder = file.substr(0, file.rfind('/'));
  result.file = std::move(file);
  return result;
}

// A run with one finding of each kind, as the scan would record it.
RunResults sampleResults() {
  RunResults results;
  results.root = "/home/me/game";
  results.reportFile = "tag_report_image_20261207_090307.txt";
  results.completed = true;
  results.exitCode = 0;
  results.scripts.resize(2);
  results.scripts[0].name = "a.ks";
  results.scripts[1].name = "b.ks";
  results.references = {referenceAt(0, 3, "room.jpg", "data/bgimage/room.jpg"),
                        referenceAt(0, 9, "hero_smlie.png"),
                        referenceAt(1, 1, "sky.png", "bg/sky.png")};
  results.references[0].hint = "data/bgimage";
  results.references[1].caseOnlyMatch = "data/Hero_smlie.png";
  results.references[1].suggestions = {"data/hero_smile.png", "data/heroine.png"};
  results.totals.references = 3;
  results.totals.found = 2;
  results.totals.missing = 1;
  results.totals.scripts = 2;
  return results;
}

std::string pageOf(const RunResults& results) {
  std::ostringstream page;
  writeHtmlReport(results, "../", page);
  return page.str();
}

TEST(HtmlReport, ShowsWhatTheRunMet) {
  struct Case {
    const char* label;
    std::function<void(RunResults&)> change;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const std::string thumb = "<a class=\"thumb\" href=\"../";
  const Case cases[] = {
      {"found, missing, candidates",
       [](RunResults&) {},
       {"<dd>2026/12/07 09:03:07<dt>", "href=\"../tag_report_image_20261207_090307.txt\"",
        "<details id=\"s0\" open style=\"contain-intrinsic-size:auto "
        "187px\"><summary>a.ks",
        "<details class=\"clean\" id=\"s1\">",
        "<tr class=\"ok\"><td class=\"ln\">3<td class=\"ref\">room.jpg<td "
        "class=\"hint\">data/bgimage<td>" +
            thumb +
            "data/bgimage/room.jpg\"><img loading=\"lazy\" "
            "src=\"../data/bgimage/room.jpg\"",
        "<tr class=\"missing\"><td class=\"ln\">9<td class=\"ref\">hero_smlie.png",
        "があります:</div><figure>" + thumb + "data/Hero_smlie.png\"",
        "もしかして:<br><figure>" + thumb + "data/hero_smile.png\"",
        "<figcaption>data/heroine.png</figcaption>"},
       {"class=\"alert\"", "使われていない画像", "<section>\n<h2>スクリプト"}},
      {"warnings of a found image",
       [](RunResults& r) {
         r.references[2].nameOnDisk = "Sky.png";
         r.references[2].folderMismatch = true;
       },
       {"<details id=\"s1\" open style=\"contain-intrinsic-size:auto 155px\">",
        "<span class=\"caution\">警告 1 件</span>", "<tr class=\"warn\">",
        "参照と異なります: Sky.png</div>", "参照とは別のフォルダで見つかりました"},
       {"class=\"clean\""}},
      {"an image the game cannot load from above the game folder",
       [](RunResults& r) {
         r.references[2].folderMismatch = true;
         r.references[2].loadable = false;
         r.references[2].loadsAboveGame = true;
       },
       {"<tr class=\"warn unloadable\">", "ゲームが読み込む場所にありません</div>",
        "<div class=\"where\">読み込む場所: ゲームのフォルダの外</div>"},
       {"参照とは別のフォルダで見つかりました"}},
      {"scripts listed at the top",
       [](RunResults& r) {
         r.scripts[0].encoding = ScriptEncoding::shiftJis;
         r.scripts[1].encoding = ScriptEncoding::utf16be;
         r.scripts[1].invalidBytesLine = 7;
         r.scripts.emplace_back().name = "<gone>.ks";
         r.scripts.back().status = ScriptStatus::missing;
       },
       {"<li><a href=\"#s0\">Shift-JIS として読み込みました: a.ks</a>",
        "<li><a href=\"#s1\">UTF-16 として読み込みました: b.ks</a>",
        "<li class=\"caution\"><a href=\"#s1\">UTF-8 として不正なバイト列があります: "
        "b.ks</a> 行 7",
        "<li class=\"bad\"><a href=\"#s2\">ファイルが見つかりません: &lt;gone&gt;.ks</a>",
        "<details id=\"s2\" open><summary>&lt;gone&gt;.ks<span class=\"bad\">"},
       {"<gone>"}},
      {"scripts read in a Chinese code page",
       [](RunResults& r) {
         r.scripts[0].encoding = ScriptEncoding::gbk;
         r.scripts[1].encoding = ScriptEncoding::big5;
       },
       {"<li><a href=\"#s0\">GBK として読み込みました: a.ks</a>",
        "<li><a href=\"#s1\">Big5 として読み込みました: b.ks</a>"},
       {"UTF-16"}},
      {"unused images",
       [](RunResults& r) {
         r.unused = {{"bg/old.png", "bg/#2.png"}};
       },
       {"使われていない画像 <strong>2</strong> 件", "<h2>使われていない画像 (2 件)</h2>",
        "<li><figure>" + thumb +
            "bg/%232.png\"><img loading=\"lazy\" src=\"../bg/%232.png\""},
       {}},
      {"a run that failed part-way",
       [](RunResults& r) { r.completed = false; },
       {"<p class=\"alert\">[エラー] チェックは途中で終わりました。"},
       {}},
  };
  for (const Case& c : cases) {
    RunResults results = sampleResults();
    c.change(results);
    const std::string page = pageOf(results);
    for (const auto& part : c.present)
      EXPECT_TRUE(contains(page, part)) << c.label << ": " << part;
    for (const auto& part : c.absent)
      EXPECT_FALSE(contains(page, part)) << c.label << ": " << part;
    EXPECT_TRUE(page.ends_with("</html>\n")) << c.label;
  }
}

TEST(HtmlReportFile, IsWrittenWhereTheOptionSaysOrFailsTheRun) {
  TempProject project;
  project.write("scenario/a.ks", "[bg storage=\"room.jpg\" folder=\"bg\"]\n");
  project.write("bg/room.jpg", "");
  ProgramResult result = runProgramIn(project.root, {"--html", "out/ci/report.html"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(contains(project.read("out/ci/report.html"), " src=\"../../bg/room.jpg\""));

  project.makeFolder("taken.html");
  result = runProgramIn(project.root, {"--fail-on-missing", "--html", "taken.html"});
  EXPECT_EQ(result.exitCode, 1);
  const std::string error = "[ERROR] HTML レポートを書き込めませんでした: taken.html\n";
  EXPECT_EQ(result.err, error);
  EXPECT_TRUE(contains(project.errorLog(), error));
}

}  // namespace
