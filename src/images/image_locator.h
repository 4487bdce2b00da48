#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "images/image_index.h"

// Which folder below `exeDir` holds the image `utf8Image` (UTF-8, as the script
// names it; "/" and "\" both separate folders). Tries `utf8Hint` (the folder
// attribute, may be empty) first and returns it unchanged when an entry of any kind
// exists at exeDir/utf8Hint/utf8Image; otherwise searches the regular files named
// exactly like the reference's last part: the first in walk order whose folder ends
// with the reference's own folders, else the first of all ("." for `exeDir` itself).
// Empty when not found or not a .png/.jpg/.PNG/.JPG reference. Text with a zero
// character names no file. The answer is UTF-8; the log gets CP932.
// Builds `index` on first need; later calls only look up. Writes one trace line to
// `errLog`, after the walk's error lines if this call built the index.
// Throws what the file system raises for the hint test, other than "not found".
std::string checkImageExists(std::string_view utf8Image, std::string_view utf8Hint,
                             const std::filesystem::path& exeDir, ImageIndex& index,
                             std::ostream& errLog);

// checkImageExists, telling also about letter-case differences and a file found in
// another folder than the reference names (from the same index; never an extra
// walk). With `anyName`, a name of any form is looked for, not only image names (a
// layout's tag named it). A name that is nothing but an image extension names no
// file. The lookup's text holds until the next call with `index`.
ImageLookup locateImage(std::string_view utf8Image, std::string_view utf8Hint,
                        const std::filesystem::path& exeDir, ImageIndex& index,
                        std::ostream& errLog, bool anyName = false);

// The folders `utf8Image` names before its file name ("/" and "\" both separate), as
// the search compares them with a file's: empty elements and leading "." and ".."
// ones say nothing of where the file lies and are left out; the rest are joined by the
// platform's separator. "" when there are none.
std::string referenceFolderParts(std::string_view utf8Image);

// Walks the tree into `index` unless an earlier search did, keeping what earlier
// calls learnt; the walk's error lines go to `errLog`.
void buildIndexIfNeeded(ImageIndex& index, const std::filesystem::path& exeDir,
                        std::ostream& errLog);
