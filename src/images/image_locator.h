#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "images/image_index.h"

// Which folder below `exeDir` holds the image `imageFile` (CP932, as written in the
// script; "/" and "\" both separate folders). Tries `folderValue` (CP932 hint, may
// be empty) first and returns it unchanged when the image exists there; otherwise
// returns the folder of the first file of that exact name in walk order ("." for
// `exeDir` itself). Empty when not found or not a .png/.jpg/.PNG/.JPG reference.
// Builds `index` on first need. Writes one trace line to `errLog`.
// Throws what the file system raises for the hint test, other than "not found".
std::string checkImageExists(std::string_view imageFile, std::string_view folderValue,
                             const std::filesystem::path& exeDir, ImageIndex& index,
                             std::ostream& errLog);
