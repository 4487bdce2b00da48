// The existence test of the hint: asked once for every new reference with a hint,
// so it skips building a path object where the platform allows, which costs more
// than the system call.
#pragma once

#include <filesystem>

// Whether an entry of any kind exists at `native` (a path in the platform's own
// form), exactly as std::filesystem::exists says: an entry that is missing, or
// whose folder is a file, is no error; any other failure raises the same
// filesystem_error.
bool entryExists(const std::filesystem::path::string_type& native);
