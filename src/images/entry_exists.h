// The existence test of the hint: asked once for every new reference with a hint,
// so it skips building a path object where the platform allows, which costs more
// than the system call.
#pragma once

#include <cstddef>
#include <filesystem>

// Whether an entry of any kind exists at `native` (a path in the platform's own
// form), as std::filesystem::exists says, except that a name the system refuses
// (too long, say) names nothing: one odd hint must not end the run. An entry that
// is missing, or whose folder is a file, is no error either; any other failure
// raises the library's filesystem_error, naming all of `native`.
// When the first `currentFolderLength` units of `native` name the current folder
// (with the separator after it), the test starts there: the system then looks up
// only the rest, which made a test a quarter cheaper.
bool entryExists(const std::filesystem::path::string_type& native,
                 std::size_t currentFolderLength = 0);
