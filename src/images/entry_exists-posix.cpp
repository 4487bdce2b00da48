#include <sys/stat.h>

#include <cerrno>

#include "images/entry_exists.h"

bool entryExists(const std::string& native, std::size_t currentFolderLength) {
  struct stat status;
  if (::stat(native.c_str() + currentFolderLength, &status) == 0) return true;
  // The two errors the library takes for "not found", and names refused outright.
  if (errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG || errno == EINVAL) {
    return false;
  }
  // Anything else: let the library ask again and raise the error in its words.
  return std::filesystem::exists(std::filesystem::path(native));
}
