#include "app/report_file_name.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/local_time.h"

namespace {

std::tm localTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  return local;
}

struct NameCase {
  std::tm local;
  std::string expected;
};

TEST(ReportFileName, PadsEveryFieldButTheYear) {
  const std::vector<NameCase> cases = {
      {localTime(2025, 8, 5, 9, 3, 7), "tag_report_image_20250805_090307.txt"},
      {localTime(2025, 1, 1, 0, 0, 0), "tag_report_image_20250101_000000.txt"},
      {localTime(2024, 12, 31, 23, 59, 59), "tag_report_image_20241231_235959.txt"},
      {localTime(2024, 2, 29, 12, 0, 0), "tag_report_image_20240229_120000.txt"},
      {localTime(2016, 12, 31, 23, 59, 60), "tag_report_image_20161231_235960.txt"},
      {localTime(999, 1, 2, 3, 4, 5), "tag_report_image_9990102_030405.txt"},
      {localTime(10000, 10, 10, 10, 10, 10), "tag_report_image_100001010_101010.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reportFileNameAt("tag_report_image", c.local), c.expected);
  }
  EXPECT_EQ(reportFileNameAt("", localTime(2025, 8, 5, 9, 3, 7)), "_20250805_090307.txt");
}

TEST(ReportFileName, UsesTheLocalTimeOfTheCall) {
  // The name must lie between the moments read on either side of the call; names of
  // one length order like their times.
  std::string before =
      reportFileNameAt("tag_report_image", toLocalTime(std::time(nullptr)));
  std::string name = generateLogFileName("tag_report_image");
  std::string after =
      reportFileNameAt("tag_report_image", toLocalTime(std::time(nullptr)));
  ASSERT_EQ(name.size(), before.size()) << name;
  EXPECT_LE(before, name);
  EXPECT_LE(name, after);
}

}  // namespace
