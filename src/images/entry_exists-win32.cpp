#include <system_error>

#include "images/entry_exists.h"

bool entryExists(const std::wstring& native, std::size_t currentFolderLength) {
  const std::filesystem::path path(native.substr(currentFolderLength));
  std::error_code error;
  const bool exists = std::filesystem::exists(path, error);
  if (error == std::errc::filename_too_long || error == std::errc::invalid_argument) {
    return false;
  }
  if (error) {
    throw std::filesystem::filesystem_error("cannot test the folder hint",
                                            std::filesystem::path(native), error);
  }
  return exists;
}
