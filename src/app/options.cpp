#include "app/options.h"

#include "text/utf8.h"

namespace {

// Options that take a value, given as "--json FILE" or "--json=FILE" (-C also as
// "-CDIR", as make and ninja take it). Returns whether `args[i]` was `name`;
// `value` is empty when the value is missing.
bool takeValue(const std::vector<std::wstring>& args, std::size_t& i,
               std::wstring_view name, std::optional<std::wstring>& value) {
  const std::wstring& arg = args[i];
  if (arg == name) {
    if (i + 1 < args.size()) value = args[++i];
    return true;
  }
  const bool joined =
      name == L"-C" ? arg.starts_with(name) : arg.starts_with(std::wstring(name) + L"=");
  if (!joined) return false;
  value = arg.substr(name.size() + (name == L"-C" ? 0 : 1));
  return true;
}

// "auto、utf-8、shift-jis、gbk、big5": the names --encoding takes.
std::wstring encodingChoiceList() {
  std::wstring list;
  for (const NamedEncodingChoice& known : kEncodingChoices) {
    if (!list.empty()) list += L"、";
    list.append(known.name.begin(), known.name.end());
  }
  return list;
}

}  // namespace

Options parseOptions(const std::vector<std::wstring>& args) {
  Options options;
  const auto needsValue = [&](std::wstring_view name, const wchar_t* what) {
    if (options.usageError.empty()) {
      options.usageError =
          L"[ERROR] " + std::wstring(name) + L" の後に" + what + L"を指定してください\n";
    }
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    std::optional<std::wstring> value;
    if (takeValue(args, i, L"-C", value)) {
      if (value) {
        options.changeDirectories.push_back(*value);
      } else {
        needsValue(L"-C", L"フォルダ");
      }
    } else if (takeValue(args, i, L"--json", value)) {
      if (!value) needsValue(L"--json", L"ファイル名");
      options.jsonFile = value;
    } else if (takeValue(args, i, L"--sarif", value)) {
      if (!value) needsValue(L"--sarif", L"ファイル名");
      options.sarifFile = value;
    } else if (takeValue(args, i, L"--html", value)) {
      if (!value) needsValue(L"--html", L"ファイル名");
      options.htmlFile = value;
    } else if (takeValue(args, i, L"--layout", value)) {
      options.layout = value ? layoutNamed(*value) : std::nullopt;
      if (!options.layout && options.usageError.empty()) {
        options.usageError =
            L"[ERROR] --layout の後に plain、browser、desktop "
            L"のどれかを指定してください\n";
      }
    } else if (takeValue(args, i, L"--config", value)) {
      if (!value) needsValue(L"--config", L"ファイル名");
      options.configFile = value;
    } else if (takeValue(args, i, L"--encoding", value)) {
      const auto choice =
          value ? encodingChoiceNamed(encodeUtf8Lenient(*value)) : std::nullopt;
      if (choice) {
        options.encoding = *choice;
      } else if (options.usageError.empty()) {
        options.usageError = L"[ERROR] --encoding の後に " + encodingChoiceList() +
                             L" のどれかを指定してください\n";
      }
    } else if (takeValue(args, i, L"--check", value)) {
      options.check = value ? checkKindsFromList(*value) : std::nullopt;
      if (!options.check && options.usageError.empty()) {
        options.usageError =
            L"[ERROR] --check の後に images、jumps、sounds "
            L"をカンマ区切りで指定してください\n";
      }
    } else if (arg == L"--help") {
      options.help = true;
    } else if (arg == L"--version") {
      options.version = true;
    } else if (arg == L"--fail-on-missing") {
      options.failOnMissing = true;
    } else if (arg == L"--init") {
      options.init = true;
    } else if (arg == L"--unused") {
      options.unused = true;
    } else if (arg == L"--recursive") {
      options.recursive = true;
    } else if (arg == L"--github") {
      options.github = true;
    } else if (arg == L"--lsp") {
      options.lsp = true;
    } else {
      options.ignored.push_back(arg);
    }
  }
  // Both would write to standard output, and the JSON would no longer parse.
  if (options.github && options.jsonFile == L"-" && options.usageError.empty()) {
    options.usageError =
        L"[ERROR] --json - と --github は同時に使えません (どちらも標準出力に書きます)\n";
  }
  return options;
}

bool wantsRunResults(const Options& options) {
  return options.jsonFile || options.sarifFile || options.github || options.htmlFile;
}

std::wstring usageText() {
  return L"使い方: ks-image-check [オプション]\n"
         L"\n"
         L"プロジェクトのルートフォルダで実行すると、scenario フォルダの .ks "
         L"スクリプトが\n"
         L"参照する画像 (.png / .jpg、タグの値では .jpeg .gif .webp .bmp .svg も) を\n"
         L"ゲームが読み込む場所から探し、結果を報告します。; で始まる行と /* ～ */ "
         L"の\n"
         L"コメントは調べません。ブラウザ向け・デスクトップ向けのプロジェクトは\n"
         L"自動で判定し、それぞれの読み込み規則で調べます。\n"
         L"ジャンプ先 (スクリプトとラベル)、音声、動画も調べます (--check で選べます)。\n"
         L"config_image.csv があれば、そこに書かれたスクリプトだけを調べます。\n"
         L"マクロ ([macro name=...]) の呼び出しは、中のタグとして調べます。\n"
         L"ks-image-check.toml があれば、プロジェクトの設定 (形式、検索パス、\n"
         L"プロジェクト独自のタグなど) として読みます。コマンドラインの指定が優先です。\n"
         L"スクリプトは UTF-8、Shift-JIS、UTF-16 (BOM 付き) のどれでも読めます。\n"
         L"GBK・Big5 (中国語) のスクリプトは --encoding で指定します。\n"
         L"\n"
         L"出力:\n"
         L"  tag_report_image_<日付>_<時刻>.txt  画像ごとの結果と、見つからない\n"
         L"                                      ジャンプ先・音声・動画 (UTF-8)\n"
         L"  image_error_log.txt                 詳しい診断ログ (UTF-8)\n"
         L"\n"
         L"オプション:\n"
         L"  -C フォルダ        そのフォルダで実行したものとして動きます\n"
         L"                     (例: ks-image-check -C data)\n"
         L"  --fail-on-missing  見つからない画像やスクリプト、読み込めない場所の画像が"
         L"あれば\n"
         L"                     (調べるときはジャンプ先・音声・動画も) 終了コード 2 "
         L"で終わります\n"
         L"  --unused           どの参照にも使われていない画像を\n"
         L"                     unused_images_<日付>_<時刻>.txt に書き出します\n"
         L"                     (タグの値や .tjs の文字列に名前がある画像は除きます)\n"
         L"  --recursive        scenario のサブフォルダの .ks も調べます "
         L"(config_image.csv がないとき)\n"
         L"  --json ファイル    結果を JSON で書き出します (- は標準出力)\n"
         L"                     (例: ks-image-check --json result.json)\n"
         L"  --sarif ファイル   結果を SARIF 2.1.0 で書き出します (コードスキャン用)\n"
         L"  --github           GitHub Actions の注釈を標準出力に書きます\n"
         L"  --html ファイル    画像のサムネイル付きの HTML レポートを書き出します\n"
         L"                     (例: ks-image-check --html report.html)\n"
         L"  --layout 形式      プロジェクトの形式を自動判定せずに指定します\n"
         L"                     (plain / browser / desktop。例: ks-image-check "
         L"--layout browser)\n"
         L"  --config ファイル  ks-image-check.toml の代わりにそのファイルを読みます\n"
         L"                     (例: ks-image-check --config tools/check.toml)\n"
         L"  --init             スクリプトを調べて ks-image-check.toml のひな形を作り、\n"
         L"                     画像を読み込むプロジェクト独自のタグを書き込みます\n"
         L"                     (既存のファイルは上書きしません。例: ks-image-check "
         L"--init)\n"
         L"  --encoding 名前    BOM のないスクリプトを読む文字コードを指定します\n"
         L"                     (auto / utf-8 / shift-jis / gbk / big5。既定は auto で\n"
         L"                     自動判定。例: ks-image-check --encoding gbk)\n"
         L"  --check 種類       調べるものを選びます (images / jumps / sounds "
         L"をカンマ区切りで。\n"
         L"                     既定はすべて。例: ks-image-check --check images,jumps)\n"
         L"  --lsp              エディタ (VS Code, Neovim) の言語サーバーとして動きます\n"
         L"                     標準入出力で LSP を話すので、エディタに起動させます\n"
         L"                     (例: エディタの設定に ks-image-check --lsp と書きます)\n"
         L"  --help             この説明を表示して終了します\n"
         L"  --version          バージョンを表示して終了します\n"
         L"\n"
         L"終了コード: 0 完了 / 1 実行に失敗 / 2 見つからないものあり "
         L"(--fail-on-missing)\n";
}

std::wstring versionText() {
  return L"ks-image-check " + decodeUtf8(KIC_VERSION) + L"\n";
}
