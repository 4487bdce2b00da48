#include "outputs/html_report.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "checks/load_words.h"
#include "outputs/findings.h"
#include "outputs/html_text.h"
#include "outputs/url_path.h"
#include "text/console.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"
#include "text/utf8.h"

namespace fs = std::filesystem;

namespace {

// Thumbnails sit in boxes of a fixed size, so the page never reflows as lazy images
// arrive. Sections of scripts without findings start closed, and a section off
// screen is not laid out (content-visibility): a page of 40,000 rows still scrolls.
// The filter needs no script: its link targets an empty element before <main>, and
// sibling selectors hide what is in order while that element is the URL's target
// ("report.html#findings"), so the view survives a reload and can be linked to.
constexpr std::string_view kStyle = R"(
:root{font-family:system-ui,"Hiragino Sans","Yu Gothic UI",Meiryo,sans-serif;font-size:14px;color:#222;background:#f6f6f6}
body{max-width:1200px;margin:0 auto;padding:0 16px 48px}
h1{font-size:1.5em;margin:16px 0 8px}
h2{font-size:1.15em;margin:20px 0 8px}
.meta{display:grid;grid-template-columns:max-content 1fr;gap:2px 12px;margin:0}
.meta dt{color:#666}
.meta dd{margin:0;overflow-wrap:anywhere}
.totals{display:flex;flex-wrap:wrap;gap:8px;list-style:none;padding:0;margin:12px 0}
.totals li{background:#fff;border:1px solid #ddd;border-radius:6px;padding:6px 12px}
.totals strong{font-size:1.3em}
.bad{color:#b00020}
.caution{color:#8a5a00}
.alert{background:#fde8e8;border:1px solid #e8a0a0;border-radius:6px;padding:8px 12px}
.scripts{margin:0;padding-left:20px}
.filter a{display:inline-block;margin:8px 4px 8px 0;padding:4px 14px;border:1px solid #bbb;border-radius:14px;background:#fff;color:#222;text-decoration:none}
.filter .all,#findings:target~.filter .only{background:#234;border-color:#234;color:#fff}
#findings:target~.filter .all{background:#fff;border-color:#bbb;color:#222}
#findings:target~main .clean,#findings:target~main tr.ok{display:none}
details{background:#fff;border:1px solid #ddd;border-radius:6px;margin:8px 0;content-visibility:auto;contain-intrinsic-size:auto 40px}
summary{cursor:pointer;padding:8px 12px;font-weight:bold;overflow-wrap:anywhere}
summary span{font-weight:normal;margin-left:10px}
details>p{margin:0;padding:4px 12px 10px}
table{border-collapse:collapse;width:100%}
th,td{border-top:1px solid #eee;padding:4px 8px;text-align:left;vertical-align:top}
th{color:#666;font-weight:normal}
.ln{text-align:right;color:#666;width:3em}
.ref,.hint{overflow-wrap:anywhere;width:22%}
tr.missing{background:#fff3f3}
tr.warn{background:#fffae6}
tr.unloadable{background:#fff3f3}
.mark{font-weight:bold;color:#b00020}
.note{color:#8a5a00;margin:2px 0;overflow-wrap:anywhere}
.where{overflow-wrap:anywhere}
a.thumb{display:inline-block;vertical-align:top;margin-right:8px}
a.thumb img{display:block;width:96px;height:72px;object-fit:contain;border:1px solid #ccc;background:repeating-conic-gradient(#e6e6e6 0 25%,#fff 0 50%) 0 0/12px 12px}
figure{display:inline-block;vertical-align:top;width:128px;margin:4px 8px 4px 0;font-size:.85em;overflow-wrap:anywhere}
.grid{list-style:none;padding:0;display:grid;grid-template-columns:repeat(auto-fill,minmax(140px,1fr));gap:8px}
.grid figure{width:auto}
footer{margin-top:32px;color:#888;font-size:.85em}
)";

// The page is built in a string and written in large pieces, as the report is.
constexpr std::size_t kFlushBytes = 256 * 1024;

struct Page {
  std::ostream& out;
  std::string_view rootUrl;
  std::string html;
  std::string url;  // the thumbnail being written
};

void flushIfFull(Page& page) {
  if (page.html.size() < kFlushBytes) return;
  page.out.write(page.html.data(), static_cast<std::streamsize>(page.html.size()));
  page.html.clear();
}

void appendText(Page& page, std::string_view utf8) { appendHtmlEscaped(utf8, page.html); }

void appendNumber(Page& page, long long number) {
  char digits[24];
  const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
  page.html.append(digits, end);
}

// A thumbnail of `utf8File` (relative to the root) that opens the picture itself.
void appendThumbnail(Page& page, std::string_view utf8File) {
  page.url = page.rootUrl;
  appendUrlPath(utf8File, page.url);
  page.html += "<a class=\"thumb\" href=\"";
  page.html += page.url;
  page.html += "\"><img loading=\"lazy\" src=\"";
  page.html += page.url;
  page.html += "\" alt=\"\"></a>";
}

// A thumbnail with the file's path under it: for candidates and unused images, whose
// paths are their own bytes (see RunResults::unused): the link keeps them.
void appendFigure(Page& page, std::string_view file) {
  page.html += "<figure>";
  appendThumbnail(page, file);
  page.html += "<figcaption>";
  appendText(page, sanitizedUtf8(file));
  page.html += "</figcaption></figure>";
}

bool isNotLoadable(const ReferenceResult& reference) {
  return reference.found && reference.loadable == false;
}

bool hasWarning(const ReferenceResult& reference) {
  return !reference.nameOnDisk.empty() || reference.folderMismatch ||
         isNotLoadable(reference);
}

// Heights in CSS pixels, as the style sheet lays them out: a section's summary and
// table head, a row with a thumbnail, a row without one.
constexpr int kSectionPixels = 72;
constexpr int kFoundRowPixels = 83;
constexpr int kMissingRowPixels = 32;

struct ScriptCounts {
  int references = 0;
  int missing = 0;
  int warnings = 0;
};

bool hasFinding(const ScriptResult& script, const ScriptCounts& counts) {
  return script.status != ScriptStatus::checked || script.invalidBytesLine > 0 ||
         counts.missing > 0 || counts.warnings > 0;
}

// "tag_report_image_20261207_090307.txt" gives "2026/12/07 09:03:07": the page
// shows the time its run started, the same the report's name holds. Empty when the
// name holds no time stamp.
std::string timeFromReportName(std::string_view name) {
  constexpr std::string_view kPattern = "_dddddddd_dddddd.txt";
  if (name.size() < kPattern.size()) return {};
  const std::string_view stamp = name.substr(name.size() - kPattern.size());
  for (std::size_t i = 0; i < kPattern.size(); ++i) {
    const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : stamp[i] != kPattern[i]) return {};
  }
  std::string text;
  text.append(stamp, 1, 4) += '/';
  text.append(stamp, 5, 2) += '/';
  text.append(stamp, 7, 2) += ' ';
  text.append(stamp, 10, 2) += ':';
  text.append(stamp, 12, 2) += ':';
  text.append(stamp, 14, 2);
  return text;
}

std::string_view folderName(std::string_view utf8Root) {
  while (utf8Root.size() > 1 && (utf8Root.back() == '/' || utf8Root.back() == '\\')) {
    utf8Root.remove_suffix(1);
  }
  const auto slash = utf8Root.find_last_of("/\\");
  return slash == std::string_view::npos ? utf8Root : utf8Root.substr(slash + 1);
}

void writeHead(Page& page, const RunResults& results) {
  page.html +=
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
      // Nothing but the project's images may load, and no script may run, whatever
      // a name in the project holds.
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "img-src * file: data:; style-src 'unsafe-inline'; base-uri 'none'; "
      "form-action 'none'\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<meta name=\"generator\" content=\"ks-image-check " KIC_VERSION "\">\n<title>";
  page.html += "画像チェック: ";
  appendText(page, folderName(results.root));
  page.html += "</title>\n<style>";
  page.html += kStyle;
  page.html += "</style>\n</head>\n<body>\n";
}

void appendTotal(Page& page, std::string_view label, int count, bool bad) {
  page.html += bad && count > 0 ? "<li class=\"bad\">" : "<li>";
  page.html += label;
  page.html += " <strong>";
  appendNumber(page, count);
  page.html += "</strong> 件";
}

void writeHeader(Page& page, const RunResults& results) {
  page.html +=
      "<header>\n<h1>画像チェックの結果</h1>\n<dl class=\"meta\"><dt>プロジェクト<dd>";
  appendText(page, results.root);
  const std::string time = timeFromReportName(results.reportFile);
  if (!time.empty()) {
    page.html += "<dt>日時<dd>";
    page.html += time;
  }
  if (!results.reportFile.empty()) {
    page.html += "<dt>レポート<dd><a href=\"";
    page.html += page.rootUrl;
    appendUrlPath(results.reportFile, page.html);
    page.html += "\">";
    appendText(page, results.reportFile);
    page.html += "</a>";
  }
  page.html += "</dl>\n";
  if (!results.completed) {
    page.html +=
        "<p class=\"alert\">[エラー] "
        "チェックは途中で終わりました。ここにあるのはそれまでに"
        "調べた分だけです。詳細は image_error_log.txt をご確認ください。</p>\n";
  }
  const ScanTotals& totals = results.totals;
  page.html += "<ul class=\"totals\">";
  appendTotal(page, "画像参照", totals.references, false);
  appendTotal(page, "存在", totals.found, false);
  appendTotal(page, "見つからない", totals.missing, true);
  if (totals.notLoadable > 0) {
    appendTotal(page, "読み込めない場所", totals.notLoadable, true);
  }
  if (results.checks.jumps) {
    appendTotal(page, "ジャンプ先", totals.jumps, false);
    appendTotal(page, "見つからないジャンプ先", totals.jumpsMissing, true);
  }
  if (results.checks.sounds) {
    appendTotal(page, "音声", totals.sounds, false);
    appendTotal(page, "見つからない音声", totals.soundsMissing, true);
    appendTotal(page, "動画", totals.videos, false);
    appendTotal(page, "見つからない動画", totals.videosMissing, true);
  }
  appendTotal(page, "スクリプト", totals.scripts, false);
  appendTotal(page, "見つからない・開けないスクリプト", totals.scriptsMissing, true);
  if (results.unused) {
    appendTotal(page, "使われていない画像", static_cast<int>(results.unused->size()),
                false);
  }
  page.html += "</ul>\n</header>\n";
}

// What the author should know about the scripts themselves, before the images.
void writeScriptNotes(Page& page, const RunResults& results) {
  bool any = false;
  for (std::size_t i = 0; i < results.scripts.size(); ++i) {
    const ScriptResult& script = results.scripts[i];
    std::string_view text;
    std::string encodingText;
    std::string_view kind = "";
    if (script.status == ScriptStatus::missing) {
      text = "ファイルが見つかりません: ";
      kind = " class=\"bad\"";
    } else if (script.status == ScriptStatus::unreadable) {
      text = "ファイルを開けませんでした: ";
      kind = " class=\"bad\"";
    } else if (script.encoding != ScriptEncoding::utf8) {
      encodingText =
          std::string(encodingLabel(script.encoding)) + " として読み込みました: ";
      text = encodingText;
    }
    const bool invalidBytes =
        script.status == ScriptStatus::checked && script.invalidBytesLine > 0;
    if (text.empty() && !invalidBytes) continue;
    if (!any) page.html += "<section>\n<h2>スクリプト</h2>\n<ul class=\"scripts\">\n";
    any = true;
    const auto appendItem = [&](std::string_view itemKind, std::string_view itemText) {
      page.html += "<li";
      page.html += itemKind;
      page.html += "><a href=\"#s";
      appendNumber(page, static_cast<long long>(i));
      page.html += "\">";
      page.html += itemText;
      appendText(page, script.name);
      page.html += "</a>";
    };
    if (!text.empty()) appendItem(kind, text);
    if (invalidBytes) {
      appendItem(" class=\"caution\"", "UTF-8 として不正なバイト列があります: ");
      page.html += " 行 ";
      appendNumber(page, script.invalidBytesLine);
    }
    page.html += '\n';
  }
  if (any) page.html += "</ul>\n</section>\n";
}

void writeFilter(Page& page) {
  page.html +=
      "<span id=\"findings\"></span>\n<nav class=\"filter\">表示: <a class=\"all\" "
      "href=\"#\">すべて</a><a class=\"only\" href=\"#findings\">問題のあるものだけ</a>"
      "</nav>\n";
}

void writeReferenceRow(Page& page, const ReferenceResult& reference) {
  if (!reference.found) {
    page.html += "<tr class=\"missing\">";
  } else if (isNotLoadable(reference)) {
    page.html += "<tr class=\"warn unloadable\">";
  } else if (hasWarning(reference)) {
    page.html += "<tr class=\"warn\">";
  } else {
    page.html += "<tr class=\"ok\">";
  }
  page.html += "<td class=\"ln\">";
  appendNumber(page, reference.line);
  page.html += "<td class=\"ref\">";
  appendText(page, reference.reference);
  page.html += "<td class=\"hint\">";
  if (reference.hint) appendText(page, *reference.hint);
  page.html += "<td>";
  if (reference.found) {
    appendThumbnail(page, reference.file);
    page.html += "<span class=\"where\">フォルダ: ";
    appendText(page, reference.folder);
    page.html += "</span>";
    if (!reference.nameOnDisk.empty()) {
      page.html += "<div class=\"note\">ファイル名の大文字・小文字が参照と異なります: ";
      appendText(page, reference.nameOnDisk);
      page.html += "</div>";
    }
    if (showsFolderMismatch(reference.folderMismatch, reference.loadable)) {
      page.html += "<div class=\"note\">参照とは別のフォルダで見つかりました</div>";
    }
    if (isNotLoadable(reference)) {
      page.html += "<div class=\"mark\">ゲームが読み込む場所にありません</div>";
    }
  } else {
    page.html += "<span class=\"mark\">✕ 見つかりません</span>";
    if (!reference.caseOnlyMatch.empty()) {
      page.html +=
          "<div class=\"note\">大文字・小文字だけが異なるファイルがあります:</div>";
      appendFigure(page, reference.caseOnlyMatch);
    }
    if (!reference.suggestions.empty()) {
      page.html += "<div class=\"candidates\">もしかして:<br>";
      for (const std::string& candidate : reference.suggestions) {
        appendFigure(page, candidate);
      }
      page.html += "</div>";
    }
  }
  if (reference.loadsFrom) {
    page.html += "<div class=\"where\">読み込む場所: ";
    appendText(page, *reference.loadsFrom);
    page.html += "</div>";
  } else if (reference.loadsAboveGame) {
    page.html += "<div class=\"where\">読み込む場所: ゲームのフォルダの外</div>";
  }
  page.html += '\n';
  flushIfFull(page);
}

void writeScript(Page& page, std::size_t index, const ScriptResult& script,
                 const ScriptCounts& counts, const std::vector<std::size_t>& rows,
                 const RunResults& results) {
  const bool finding = hasFinding(script, counts);
  page.html += finding ? "<details id=\"s" : "<details class=\"clean\" id=\"s";
  appendNumber(page, static_cast<long long>(index));
  if (finding && !rows.empty()) {
    // Until an open section is laid out, the browser takes it to be about this
    // tall, so the scroll bar of a long page keeps still.
    page.html += "\" open style=\"contain-intrinsic-size:auto ";
    appendNumber(page, kSectionPixels +
                           (counts.references - counts.missing) * kFoundRowPixels +
                           counts.missing * kMissingRowPixels);
    page.html += "px\">";
  } else {
    page.html += finding ? "\" open>" : "\">";
  }
  page.html += "<summary>";
  appendText(page, script.name);
  if (script.status == ScriptStatus::missing) {
    page.html +=
        "<span class=\"bad\">ファイルが見つかりません</span></summary></details>\n";
    return;
  }
  if (script.status == ScriptStatus::unreadable) {
    page.html +=
        "<span class=\"bad\">ファイルを開けませんでした</span></summary></details>\n";
    return;
  }
  page.html += "<span>画像参照 ";
  appendNumber(page, counts.references);
  page.html += " 件</span>";
  if (counts.missing > 0) {
    page.html += "<span class=\"bad\">見つからない ";
    appendNumber(page, counts.missing);
    page.html += " 件</span>";
  }
  if (counts.warnings > 0) {
    page.html += "<span class=\"caution\">警告 ";
    appendNumber(page, counts.warnings);
    page.html += " 件</span>";
  }
  page.html += "</summary>\n";
  if (rows.empty()) {
    page.html += "<p>画像の参照はありません</p></details>\n";
    return;
  }
  page.html +=
      "<table><thead><tr><th class=\"ln\">行<th>参照<th>フォルダ指定<th>画像</thead>"
      "<tbody>\n";
  for (const std::size_t row : rows) writeReferenceRow(page, results.references[row]);
  page.html += "</tbody></table></details>\n";
}

void writeScripts(Page& page, const RunResults& results) {
  // The references of each script, in report order.
  std::vector<std::vector<std::size_t>> rows(results.scripts.size());
  std::vector<ScriptCounts> counts(results.scripts.size());
  for (std::size_t i = 0; i < results.references.size(); ++i) {
    const ReferenceResult& reference = results.references[i];
    if (reference.script >= rows.size()) continue;
    rows[reference.script].push_back(i);
    ScriptCounts& count = counts[reference.script];
    ++count.references;
    if (!reference.found) ++count.missing;
    if (reference.found && hasWarning(reference)) ++count.warnings;
  }
  page.html += "<main>\n";
  if (results.scripts.empty()) page.html += "<p>調べたスクリプトはありません</p>\n";
  for (std::size_t i = 0; i < results.scripts.size(); ++i) {
    writeScript(page, i, results.scripts[i], counts[i], rows[i], results);
    flushIfFull(page);
  }
  page.html += "</main>\n";
}

// A row of a load the game does not find (or one no run can check), with the words
// of the console and what it may have been meant as.
void writeLoadRow(Page& page, const LoadResult& load, const RunResults& results) {
  const bool info = load.status == LoadStatus::unchecked;
  page.html += info ? "<tr class=\"warn\">" : "<tr class=\"missing\">";
  page.html += "<td class=\"ref\">";
  if (load.script < results.scripts.size())
    appendText(page, results.scripts[load.script].name);
  page.html += "<td class=\"ln\">";
  appendNumber(page, load.line);
  page.html += "<td class=\"ref\">";
  appendText(page, loadSubject(load));
  page.html += info ? "<td><span class=\"note\">" : "<td><span class=\"mark\">";
  if (load.folderMissing) {
    page.html += "✕ ";
    appendText(page, load.folder);
    page.html += " フォルダがありません";
  } else {
    page.html += info ? "" : "✕ ";
    appendText(page, loadMessageHead(load));
  }
  page.html += "</span>";
  if (!load.suggestions.empty()) {
    page.html += "<div class=\"note\">もしかして: ";
    for (std::size_t i = 0; i < load.suggestions.size(); ++i) {
      if (i > 0) page.html += ", ";
      appendText(page, load.suggestions[i]);
    }
    page.html += "</div>";
  }
  page.html += '\n';
  flushIfFull(page);
}

void writeDuplicateLabelRow(Page& page, const DuplicateLabel& label,
                            const RunResults& results) {
  page.html += "<tr class=\"warn\"><td class=\"ref\">";
  if (label.script < results.scripts.size()) {
    appendText(page, results.scripts[label.script].name);
  }
  page.html += "<td class=\"ln\">";
  appendNumber(page, label.line);
  page.html += "<td class=\"ref\">";
  appendText(page, label.label);
  page.html += "<td><span class=\"note\">";
  page.html += kDuplicateLabelHead;
  page.html += " (最初は 行 ";
  appendNumber(page, label.firstLine);
  page.html += ")</span>\n";
}

bool isJump(const LoadResult& load) {
  return load.kind == LoadResultKind::script || load.kind == LoadResultKind::label;
}

// One section of the loads of `kinds` that break the game, in script and line
// order; the labels defined twice with the jumps.
void writeLoadSection(Page& page, const RunResults& results, std::string_view title,
                      bool jumps, LoadResultKind kind) {
  page.html += "<section>\n<h2>";
  page.html += title;
  page.html += "</h2>\n";
  std::vector<const LoadResult*> rows;
  for (const LoadResult& load : results.loads) {
    const bool ofKind = jumps ? isJump(load) : load.kind == kind;
    if (ofKind && load.status != LoadStatus::found) rows.push_back(&load);
  }
  const bool labels = jumps && !results.duplicateLabels.empty();
  if (rows.empty() && !labels) {
    page.html += "<p>問題はありません</p>\n</section>\n";
    return;
  }
  page.html +=
      "<table><thead><tr><th class=\"ref\">スクリプト<th class=\"ln\">行<th "
      "class=\"ref\">参照<th>結果</thead><tbody>\n";
  auto label = results.duplicateLabels.begin();
  const auto labelsBefore = [&](std::size_t script, int line) {
    for (; jumps && label != results.duplicateLabels.end() &&
           (label->script < script || (label->script == script && label->line <= line));
         ++label) {
      writeDuplicateLabelRow(page, *label, results);
    }
  };
  for (const LoadResult* load : rows) {
    labelsBefore(load->script, load->line);
    writeLoadRow(page, *load, results);
  }
  labelsBefore(results.scripts.size(), 0);
  page.html += "</tbody></table>\n</section>\n";
}

void writeLoads(Page& page, const RunResults& results) {
  if (results.checks.jumps) {
    writeLoadSection(page, results, "ジャンプ先", true, LoadResultKind::script);
  }
  if (results.checks.sounds) {
    writeLoadSection(page, results, "音声", false, LoadResultKind::sound);
    writeLoadSection(page, results, "動画", false, LoadResultKind::video);
  }
}

void writeUnused(Page& page, const std::vector<std::string>& unused) {
  page.html += "<section>\n<h2>使われていない画像 (";
  appendNumber(page, static_cast<long long>(unused.size()));
  page.html += " 件)</h2>\n";
  if (unused.empty()) {
    page.html += "<p>どの参照にも使われていない画像はありません</p>\n</section>\n";
    return;
  }
  page.html += "<ul class=\"grid\">\n";
  for (const std::string& file : unused) {
    page.html += "<li>";
    appendFigure(page, file);
    page.html += '\n';
    flushIfFull(page);
  }
  page.html += "</ul>\n</section>\n";
}

}  // namespace

void writeHtmlReport(const RunResults& results, std::string_view rootUrl,
                     std::ostream& out) {
  Page page{out, rootUrl, {}, {}};
  page.html.reserve(kFlushBytes + 4096);
  writeHead(page, results);
  writeHeader(page, results);
  writeScriptNotes(page, results);
  writeFilter(page);
  writeScripts(page, results);
  writeLoads(page, results);
  if (results.unused) writeUnused(page, *results.unused);
  page.html += "<footer>ks-image-check " KIC_VERSION "</footer>\n</body>\n</html>\n";
  out.write(page.html.data(), static_cast<std::streamsize>(page.html.size()));
}

bool writeHtmlReportFile(const std::wstring& wFile, const RunResults& results,
                         std::ostream& errLog) {
  bool written = false;
  const std::optional<fs::path> name = pathFromWide(wFile);
  std::error_code error;
  const fs::path file = name && !name->empty() ? fs::absolute(*name, error) : fs::path();
  if (!file.empty() && !error) {
    // An artifact folder of a CI job ("out/report.html") need not exist yet; a
    // folder that cannot be made fails the opening below.
    fs::create_directories(file.parent_path(), error);
    std::ofstream page(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (page.is_open()) {
      writeHtmlReport(results, urlFromPageToRoot(file, fs::current_path(error)), page);
      page.close();
      written = !page.fail();
    }
  }
  if (written) {
    errLog << "[DEBUG] HTML レポートを書き込みました: "_sj << encodeCp932Lenient(wFile)
           << '\n';
    return true;
  }
  const std::wstring message =
      L"[ERROR] HTML レポートを書き込めませんでした: " + wFile + L"\n";
  writeConsoleError(message);
  errLog << encodeCp932Lenient(message);
  return false;
}
