#include "app/report_file_name.h"

#include <cstdio>

#include "app/local_time.h"

std::string reportFileNameAt(std::string_view prefix, const std::tm& local) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%d%02d%02d_%02d%02d%02d.txt", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec);
  return std::string(prefix) + stamp;
}

std::string generateLogFileName(std::string_view prefix) {
  return reportFileNameAt(prefix, toLocalTime(std::time(nullptr)));
}
