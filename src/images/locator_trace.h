// The one trace line the locator writes for every reference it answers.
#pragma once

#include <ostream>
#include <string_view>

// "[DEBUG] 画像ファイル確認: <image> (存在: <folder>) " and a line feed, in CP932;
// both texts UTF-8.
void logFound(std::ostream& errLog, std::string_view utf8Image,
              std::string_view utf8Folder);

// The same line with "いいえ" for the folder.
void logNotFound(std::ostream& errLog, std::string_view utf8Image);
