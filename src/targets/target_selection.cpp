#include "targets/target_selection.h"

#include "targets/config_reader.h"
#include "targets/scenario_listing.h"
#include "text/console.h"
#include "text/cp932.h"
#include "text/cp932_literal.h"

std::vector<ScriptTarget> selectTargetsFromConfig(const std::filesystem::path& exeDir,
                                                  std::ostream& errLog) {
  errLog << "[DEBUG] config_image.csv 読み込み開始\n"_sj;
  return loadConfigFile(exeDir / "config_image.csv", errLog);
}

std::size_t selectTargetsFromFolder(std::vector<ScriptTarget>& targetFiles,
                                    const std::filesystem::path& scenarioDir,
                                    std::ostream& errLog, bool recursive) {
  if (!targetFiles.empty()) return 0;
  writeConsoleOut(L"[INFO] 全 *.ks ファイルを処理します。\n");
  errLog
      << "[INFO] 設定ファイルが空または見つからないため、全 *.ks ファイルを処理します。\n"_sj;
  targetFiles = collectKsFiles(scenarioDir, errLog, recursive);
  if (recursive) return 0;
  // Chapter folders are common; a run that checks none of them must say so.
  const std::size_t inSubfolders = countKsFilesInSubfolders(scenarioDir);
  if (inSubfolders > 0) {
    const std::wstring warning =
        L"[WARNING] scenario のサブフォルダにあるスクリプトは確認していません: " +
        std::to_wstring(inSubfolders) + L" 件 (--recursive で確認できます)\n";
    writeConsoleOut(warning);
    errLog << encodeCp932Lenient(warning);
  }
  return inSubfolders;
}
