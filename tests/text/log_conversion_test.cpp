#include "text/log_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/wide_text.h"
#include "text/cp932_literal.h"
#include "text/path_text.h"

namespace fs = std::filesystem;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string sj(std::string_view cp932) { return std::string(cp932); }

// The two logs of a run in a folder of their own, with the narrow (CP932) paths the
// conversion takes.
struct Logs {
  TempFolder folder;
  fs::path tempFile = folder.path / "temp_image_error_log.txt";
  fs::path finalFile = folder.path / "image_error_log.txt";
  std::string tempPath = cp932FromPath(tempFile).value();
  std::string finalPath = cp932FromPath(finalFile).value();
};

struct Outcome {
  std::string errLog;
  std::string console;  // the console's error stream
};

Outcome convert(const Logs& logs) {
  std::ostringstream errLog;
  testing::internal::CaptureStderr();
  convertLogToUtf8(logs.tempPath, logs.finalPath, errLog);
  std::string console = testing::internal::GetCapturedStderr();
  return {errLog.str(), console};
}

std::string successLine(const Logs& logs) {
  return sj("[DEBUG] 一時ログを UTF-8 に変換し、一時ファイルを削除しました: "_sj) +
         logs.tempPath + " -> " + logs.finalPath + "\n";
}

struct ContentCase {
  std::string name;
  std::string cp932;
  std::string utf8;  // the final log after its byte-order mark
};

void expectConverted(const std::vector<ContentCase>& cases) {
  for (const auto& c : cases) {
    Logs logs;
    writeBytes(logs.tempFile, c.cp932);
    Outcome outcome = convert(logs);
    std::string final = readBytes(logs.finalFile);
    EXPECT_EQ(final.size(), kBom.size() + c.utf8.size()) << c.name;
    EXPECT_TRUE(final == kBom + c.utf8) << c.name;
    EXPECT_FALSE(fs::exists(logs.tempFile)) << c.name;
    EXPECT_EQ(outcome.errLog, successLine(logs)) << c.name;
    EXPECT_EQ(outcome.console, "") << c.name;
  }
}

TEST(LogConversion, WritesTheContentAsUtf8AfterAByteOrderMark) {
  expectConverted({
      {"cp932 lines",
       sj("[DEBUG] プログラム開始: Tue Aug  5 09:03:07 2025\n"
          "[ERROR] 画像が見つかりません: bg/背景.png\n"_sj),
       "[DEBUG] プログラム開始: Tue Aug  5 09:03:07 2025\n"
       "[ERROR] 画像が見つかりません: bg/背景.png\n"},
      {"empty", "", ""},
      {"half-width katakana", "\xB1\xB2\xB3", "ｱｲｳ"},
      // Bytes that are no CP932 character are decoded with substitutes, as the
      // system decoder does; UTF-8 that reached the log is such bytes too.
      {"invalid bytes", "\x80\xA0\xFD", "\xC2\x80\xEF\xA3\xB0\xEF\xA3\xB1"},
      {"utf-8 excerpt", "x\xE5\xA4\x89", "x螟・"},
  });
}

TEST(LogConversion, CarriesLineEndsAndZeroBytesUnchanged) {
  expectConverted({
      {"crlf", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"lf", "a\nb\n", "a\nb\n"},
      {"mixed", "a\r\n\rb\n\n", "a\r\n\rb\n\n"},
      {"no line end at the end", "a\r\nlast", "a\r\nlast"},
      {"zero byte", sj("前"_sj) + '\0' + sj("後\r\n"_sj),
       "前" + std::string(1, '\0') + "後\r\n"},
      {"zero bytes only", std::string(3, '\0'), std::string(3, '\0')},
      // A lead byte before a zero byte is a character of its own, and the zero stays.
      {"lead byte before zero", bytesOf("\x95\0x"), bytesOf("\xE3\x83\xBB\0x")},
  });
}

// The log is read in chunks of 64 KiB; a two-byte character may start in the last
// byte of one.
TEST(LogConversion, KeepsCharactersWholeAcrossReadChunks) {
  const std::size_t chunk = 64 * 1024;
  auto padded = [](std::size_t pad, std::string tail) {
    return std::string(pad, 'a') + tail;
  };
  const std::string henkan = "\x95\xCF\x8A\xB7";
  const std::string henkanUtf8 = "変換";
  expectConverted({
      {"pair across the boundary", padded(chunk - 1, henkan),
       padded(chunk - 1, henkanUtf8)},
      {"pairs up to the boundary", padded(chunk - 2, henkan),
       padded(chunk - 2, henkanUtf8)},
      {"second pair across", padded(chunk - 3, henkan), padded(chunk - 3, henkanUtf8)},
      // 95 is a trail byte here, not the lead of a pair that goes on in the next chunk.
      {"trail byte that looks like a lead", padded(chunk - 2, "\x95\x95\x95\xCF"),
       padded(chunk - 2, "封変")},
      {"lead pair across, trail looks like a lead", padded(chunk - 1, "\x95\x95\x95\xCF"),
       padded(chunk - 1, "封変")},
      {"lone lead byte ends the log at the boundary", padded(chunk - 1, "\x95"),
       padded(chunk - 1, "・")},
      {"lead byte then zero across the boundary", padded(chunk - 1, bytesOf("\x95\0x")),
       padded(chunk - 1, bytesOf("\xE3\x83\xBB\0x"))},
      {"exactly one chunk", std::string(chunk, 'b'), std::string(chunk, 'b')},
      {"pair across the second boundary", padded(2 * chunk - 1, henkan),
       padded(2 * chunk - 1, henkanUtf8)},
      {"pairs across both boundaries",
       padded(chunk - 1, "\x95\xCF") + padded(chunk - 2, henkan),
       padded(chunk - 1, "変") + padded(chunk - 2, henkanUtf8)},
  });
}

TEST(LogConversion, ConvertsAMultiMegabyteLogCompletely) {
  std::string cp932;
  std::string utf8;
  for (int line = 1; cp932.size() < 3 * 1024 * 1024; ++line) {
    std::string number = std::to_string(line);
    cp932 += sj("[ERROR] 画像が見つかりません: 背景_"_sj) + number + ".png\r\n";
    utf8 += "[ERROR] 画像が見つかりません: 背景_" + number + ".png\r\n";
  }
  expectConverted({{"large", cp932, utf8}});
}

TEST(LogConversion, ReplacesAnEarlierFinalLogOfAnyLength) {
  // The earlier log is written over in place: nothing of it may survive past the end.
  const std::string longer = kBom + std::string(200 * 1024, 'o') + "\r\n";
  for (const std::string& earlier : {longer, std::string("x"), std::string()}) {
    Logs logs;
    writeBytes(logs.finalFile, earlier);
    writeBytes(logs.tempFile, "new\r\n");
    EXPECT_EQ(convert(logs).errLog, successLine(logs)) << earlier.size();
    EXPECT_EQ(readBytes(logs.finalFile), kBom + "new\r\n") << earlier.size();
    EXPECT_FALSE(fs::exists(logs.tempFile)) << earlier.size();
  }
}

TEST(LogConversion, FindsLogsWhosePathsAreJapanese) {
  Logs logs;
  // char8_t names are UTF-8 on every platform.
  const fs::path folder = logs.folder.path / u8"ログ";
  fs::create_directory(folder);
  logs.tempFile = folder / u8"一時.txt";
  logs.finalFile = folder / u8"最終.txt";
  logs.tempPath = cp932FromPath(logs.tempFile).value();
  logs.finalPath = cp932FromPath(logs.finalFile).value();
  writeBytes(logs.tempFile, "\x95\xCF\x8A\xB7");
  Outcome outcome = convert(logs);
  EXPECT_EQ(readBytes(logs.finalFile), kBom + "変換");
  EXPECT_FALSE(fs::exists(logs.tempFile));
  EXPECT_EQ(outcome.console, "");
}

TEST(LogConversion, MissingTemporaryLogChangesNothing) {
  const std::string expectedErrLog =
      sj("[ERROR] 一時ログファイルを開けませんでした: "_sj) + "%TEMP%\n" +
      sj("[ERROR] ログファイル変換エラー: "_sj) +
      sj("一時ログファイルを開けませんでした。"_sj) + "\n";
  for (bool earlierFinal : {false, true}) {
    Logs logs;
    if (earlierFinal) writeBytes(logs.finalFile, kBom + "earlier");
    Outcome outcome = convert(logs);
    std::string expected = expectedErrLog;
    expected.replace(expected.find("%TEMP%"), 6, logs.tempPath);
    EXPECT_EQ(outcome.errLog, expected);
    EXPECT_TRUE(outcome.console.ends_with("temp_image_error_log.txt\n"))
        << outcome.console;
    EXPECT_EQ(fs::exists(logs.finalFile), earlierFinal);
    if (earlierFinal) {
      EXPECT_EQ(readBytes(logs.finalFile), kBom + "earlier");
    }
    EXPECT_FALSE(fs::exists(logs.tempFile));
  }
}

TEST(LogConversion, TemporaryLogThatCannotBeReadStays) {
  Logs logs;
  fs::create_directory(logs.tempFile);
  Outcome outcome = convert(logs);
  EXPECT_TRUE(fs::is_directory(logs.tempFile));
  EXPECT_EQ(outcome.errLog.find(successLine(logs)), std::string::npos) << outcome.errLog;
  EXPECT_NE(outcome.errLog.find(sj("[ERROR] ログファイル変換エラー: "_sj)),
            std::string::npos)
      << outcome.errLog;
  EXPECT_TRUE(outcome.console.ends_with("temp_image_error_log.txt\n")) << outcome.console;
}

TEST(LogConversion, UnwritableFinalLogKeepsTheTemporaryLogForTheNextRun) {
  Logs logs;
  const std::string firstRun = sj("[DEBUG] 一回目\r\n"_sj);
  writeBytes(logs.tempFile, firstRun);
  // A folder in the final log's place cannot be opened as a file, even by root.
  fs::create_directory(logs.finalFile);
  Outcome outcome = convert(logs);
  EXPECT_EQ(outcome.errLog, sj("[ERROR] UTF-8 ログファイルを開けませんでした: "_sj) +
                                logs.finalPath + "\n" +
                                sj("[ERROR] ログファイル変換エラー: "_sj) +
                                sj("UTF-8 ログファイルを開けませんでした。"_sj) + "\n");
  EXPECT_TRUE(outcome.console.ends_with("temp_image_error_log.txt\n")) << outcome.console;
  EXPECT_EQ(readBytes(logs.tempFile), firstRun);
  EXPECT_TRUE(fs::is_directory(logs.finalFile));
  EXPECT_TRUE(fs::is_empty(logs.finalFile));

  // The next run appends to the kept log and converts both runs together.
  fs::remove(logs.finalFile);
  {
    std::ofstream append(logs.tempFile, std::ios::binary | std::ios::app);
    append << sj("[DEBUG] 二回目\r\n"_sj);
  }
  outcome = convert(logs);
  EXPECT_EQ(readBytes(logs.finalFile), kBom + "[DEBUG] 一回目\r\n[DEBUG] 二回目\r\n");
  EXPECT_FALSE(fs::exists(logs.tempFile));
  EXPECT_EQ(outcome.console, "");
}

}  // namespace
