#include "text/text_mode.h"

void appendAsTextMode(std::string_view bytes, std::string& out) {
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t feed = bytes.find('\n', start);
    if (feed == std::string_view::npos) {
      out += bytes.substr(start);
      return;
    }
    out += bytes.substr(start, feed - start);
    out += "\r\n";
    start = feed + 1;
  }
}
