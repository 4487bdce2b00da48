#include "app/local_time.h"

std::tm toLocalTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}
