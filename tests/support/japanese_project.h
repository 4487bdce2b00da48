// A project whose names are Japanese: the script scenario/背景.ks, optionally listed in
// a Shift-JIS config_image.csv, refers to a.png in the folder 立ち絵, b.png in
// 立ち絵/表情 and none.jpg, which does not exist. Made below the temporary folder and
// removed again when the object goes.
#pragma once

#include <filesystem>
#include <string>

struct JapaneseProject {
  explicit JapaneseProject(bool listedInConfig);
  ~JapaneseProject();
  JapaneseProject(const JapaneseProject&) = delete;
  JapaneseProject& operator=(const JapaneseProject&) = delete;

  // The report's file name (UTF-8); empty when there is none.
  std::string reportName() const;
  // The contents of the report, and of the converted diagnostic log.
  std::string report() const;
  std::string errorLog() const;

  std::filesystem::path root;
};
