// What the failing conversion shows on a POSIX console (UTF-8), and a final log whose
// writing fails after it was opened, which /dev/full makes possible.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/temp_folder.h"
#include "text/cp932_literal.h"
#include "text/log_conversion.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

TEST(LogConversionPosix, ShowsTheFailureOnTheConsoleAsUtf8) {
  for (bool tempMissing : {true, false}) {
    TempFolder folder;
    fs::path tempFile = folder.path / "temp_image_error_log.txt";
    if (tempMissing) {
      writeBytes(folder.path / "image_error_log.txt", "earlier");
    } else {
      writeBytes(tempFile, "kept");
      fs::create_directory(folder.path / "image_error_log.txt");
    }
    std::ostringstream errLog;
    testing::internal::CaptureStderr();
    convertLogToUtf8(cp932FromPath(tempFile).value(),
                     cp932FromPath(folder.path / "image_error_log.txt").value(), errLog);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[ERROR] ログファイルの変換中にエラーが発生しました。"
              "一時ファイルを確認してください: " +
                  tempFile.native() + "\n");
    if (tempMissing) {
      EXPECT_FALSE(fs::exists(tempFile));
      EXPECT_EQ(readBytes(folder.path / "image_error_log.txt"), "earlier");
    } else {
      EXPECT_EQ(readBytes(tempFile), "kept");
    }
  }
}

TEST(LogConversionPosix, FinalLogThatCannotBeWrittenKeepsTheTemporaryLog) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  TempFolder folder;
  fs::path tempFile = folder.path / "temp_image_error_log.txt";
  // More than any stream buffer holds, so a write fails before the close.
  std::string content(256 * 1024, 'x');
  writeBytes(tempFile, content);
  std::ostringstream errLog;
  testing::internal::CaptureStderr();
  convertLogToUtf8(cp932FromPath(tempFile).value(), "/dev/full", errLog);
  std::string console = testing::internal::GetCapturedStderr();
  EXPECT_EQ(readBytes(tempFile), content);
  EXPECT_NE(errLog.str().find(std::string("[ERROR] ログファイル変換エラー: "_sj)),
            std::string::npos)
      << errLog.str();
  EXPECT_NE(console.find("temp_image_error_log.txt\n"), std::string::npos) << console;

  // A short log fails only when the close flushes it.
  writeBytes(tempFile, "short");
  testing::internal::CaptureStderr();
  convertLogToUtf8(cp932FromPath(tempFile).value(), "/dev/full", errLog);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(readBytes(tempFile), "short");
}

}  // namespace
