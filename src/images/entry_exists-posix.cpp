#include <sys/stat.h>

#include <cerrno>

#include "images/entry_exists.h"

bool entryExists(const std::string& native) {
  struct stat status;
  if (::stat(native.c_str(), &status) == 0) return true;
  // The two errors the library takes for "not found".
  if (errno == ENOENT || errno == ENOTDIR) return false;
  // Anything else: let the library ask again and raise the error in its words.
  return std::filesystem::exists(std::filesystem::path(native));
}
