#include "images/locator_trace.h"

#include <string>

#include "text/conversions.h"
#include "text/cp932_literal.h"

namespace {

// The trace line of an answer, written in one piece: there is one for every
// reference. Both texts are UTF-8; the log is CP932.
void logAnswer(std::ostream& errLog, std::string_view utf8Image, std::string_view answer,
               bool answerIsUtf8) {
  constexpr std::string_view kHead = "[DEBUG] 画像ファイル確認: "_sj;
  constexpr std::string_view kMiddle = " (存在: "_sj;
  constexpr std::string_view kTail = ") \n";
  std::string line;
  line.reserve(kHead.size() + utf8Image.size() + kMiddle.size() + answer.size() +
               kTail.size());
  line += kHead;
  appendUtf8ToCp932ForLog(utf8Image, line);
  line += kMiddle;
  if (answerIsUtf8) {
    appendUtf8ToCp932ForLog(answer, line);
  } else {
    line += answer;
  }
  line += kTail;
  errLog.write(line.data(), static_cast<std::streamsize>(line.size()));
}

}  // namespace

void logFound(std::ostream& errLog, std::string_view utf8Image,
              std::string_view utf8Folder) {
  logAnswer(errLog, utf8Image, utf8Folder, true);
}

void logNotFound(std::ostream& errLog, std::string_view utf8Image) {
  logAnswer(errLog, utf8Image, "いいえ"_sj, false);
}
