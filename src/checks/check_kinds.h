// Which kinds of load a run checks: images, jump targets (scripts and labels), and
// sounds with videos. Chosen by --check (and by the project file); all by default.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

struct CheckKinds {
  bool images = true;
  bool jumps = true;
  bool sounds = true;  // sounds and videos

  // Whether anything beyond images is checked: the outputs then carry the kinds.
  bool beyondImages() const { return jumps || sounds; }
};

// The kinds named by `names` ("images", "jumps", "sounds"; each at most once or
// more, in any order); nullopt when a name is none of them or the list is empty.
std::optional<CheckKinds> checkKindsNamed(const std::vector<std::string_view>& names);

// The same for a comma-separated list as --check takes it ("images,jumps").
std::optional<CheckKinds> checkKindsFromList(std::wstring_view list);
