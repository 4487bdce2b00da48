#include "text/text_mode.h"

std::string_view asTextMode(std::string_view bytes, std::string& scratch) {
  scratch.clear();
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t feed = bytes.find('\n', start);
    if (feed == std::string_view::npos) {
      scratch += bytes.substr(start);
      break;
    }
    scratch += bytes.substr(start, feed - start);
    scratch += "\r\n";
    start = feed + 1;
  }
  return scratch;
}
