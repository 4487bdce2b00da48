#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "images/image_index.h"

// Which folder below `exeDir` holds the image `imageFile` (CP932, as written in the
// script; "/" and "\" both separate folders). Tries `folderValue` (CP932 hint, may
// be empty) first and returns it unchanged when an entry of any kind exists at
// exeDir/folderValue/imageFile; otherwise returns the folder of the first regular
// file named exactly like the reference's last part, in walk order ("." for
// `exeDir` itself, "?" for characters CP932 cannot hold). Empty when not found or
// not a .png/.jpg/.PNG/.JPG reference.
// Builds `index` on first need; later calls only look up. Writes one trace line to
// `errLog`, after the walk's error lines if this call built the index.
// Throws what the file system raises for the hint test, other than "not found".
std::string checkImageExists(std::string_view imageFile, std::string_view folderValue,
                             const std::filesystem::path& exeDir, ImageIndex& index,
                             std::ostream& errLog);

// checkImageExists, telling also about letter-case differences (from the same index;
// never an extra walk). The lookup's text holds until the next call with `index`.
ImageLookup locateImage(std::string_view imageFile, std::string_view folderValue,
                        const std::filesystem::path& exeDir, ImageIndex& index,
                        std::ostream& errLog);
