#include "text/text_mode.h"

std::string_view asTextMode(std::string_view bytes, std::string& /*scratch*/) {
  return bytes;
}
