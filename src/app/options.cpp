#include "app/options.h"

#include "text/utf8.h"

Options parseOptions(const std::vector<std::wstring>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"-C") {
      if (i + 1 == args.size()) {
        options.missingDirectory = true;
      } else {
        options.changeDirectories.push_back(args[++i]);
      }
    } else if (arg.starts_with(L"-C")) {  // -CDIR, as make and ninja take it
      options.changeDirectories.push_back(arg.substr(2));
    } else if (arg == L"--help") {
      options.help = true;
    } else if (arg == L"--version") {
      options.version = true;
    } else if (arg == L"--fail-on-missing") {
      options.failOnMissing = true;
    } else {
      options.ignored.push_back(arg);
    }
  }
  return options;
}

std::wstring usageText() {
  return L"使い方: ks-image-check [オプション]\n"
         L"\n"
         L"プロジェクトのルートフォルダで実行すると、scenario フォルダの .ks "
         L"スクリプトが\n"
         L"参照する画像 (.png / .jpg) をルートフォルダ以下から探し、結果を報告します。\n"
         L"config_image.csv があれば、そこに書かれたスクリプトだけを調べます。\n"
         L"スクリプトは UTF-8、Shift-JIS、UTF-16 (BOM 付き) のどれでも読めます。\n"
         L"\n"
         L"出力:\n"
         L"  tag_report_image_<日付>_<時刻>.txt  画像ごとの結果 (UTF-8)\n"
         L"  image_error_log.txt                 詳しい診断ログ (UTF-8)\n"
         L"\n"
         L"オプション:\n"
         L"  -C フォルダ        そのフォルダで実行したものとして動きます\n"
         L"                     (例: ks-image-check -C data)\n"
         L"  --help             この説明を表示して終了します\n"
         L"  --version          バージョンを表示して終了します\n"
         L"  --fail-on-missing  見つからない画像やスクリプトがあれば終了コード 2 "
         L"で終わります\n"
         L"\n"
         L"終了コード: 0 完了 / 1 実行に失敗 / 2 見つからないものあり "
         L"(--fail-on-missing)\n";
}

std::wstring versionText() {
  return L"ks-image-check " + decodeUtf8(KIC_VERSION) + L"\n";
}
