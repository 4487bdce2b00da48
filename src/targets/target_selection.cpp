#include "targets/target_selection.h"

#include "targets/config_reader.h"
#include "targets/scenario_listing.h"
#include "text/console.h"
#include "text/cp932_literal.h"

std::vector<std::string> selectTargetsFromConfig(const std::filesystem::path& exeDir,
                                                 std::ostream& errLog) {
  errLog << "[DEBUG] config_image.csv 読み込み開始\n"_sj;
  return loadConfigFile(exeDir / "config_image.csv", errLog);
}

void selectTargetsFromFolder(std::vector<std::string>& targetFiles,
                             const std::filesystem::path& scenarioDir,
                             std::ostream& errLog, bool recursive) {
  if (!targetFiles.empty()) return;
  writeConsoleOut(L"[INFO] 全 *.ks ファイルを処理します。\n");
  errLog
      << "[INFO] 設定ファイルが空または見つからないため、全 *.ks ファイルを処理します。\n"_sj;
  targetFiles = collectKsFiles(scenarioDir, errLog, recursive);
}
