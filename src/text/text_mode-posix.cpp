#include "text/text_mode.h"

void appendAsTextMode(std::string_view bytes, std::string& out) { out += bytes; }
