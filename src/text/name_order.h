// The one order in which the program takes the entries of a folder, whatever order
// the platform lists them in: by name, character by character by code point, with
// the ASCII letters a-z taken as A-Z; names that differ only in ASCII letter case
// (a case-sensitive file system can hold both) by their exact code points. NTFS
// lists the names games use in this order (digits, letters, "_", then Japanese), so
// nothing changes there, while ext4's hash order, FAT and network drives no longer
// make one project give different reports on different machines.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Byte names, as POSIX gives them: for UTF-8 names, byte order is code point order;
// bytes that are not UTF-8 compare as they are.
bool precedesByName(std::string_view a, std::string_view b);
// UTF-16 names: a surrogate pair is its one code point above U+FFFF; a lone
// surrogate counts as its own value.
bool precedesByName(std::u16string_view a, std::u16string_view b);
// Wide names: UTF-16 where wchar_t has 16 bits (Windows), UTF-32 elsewhere.
bool precedesByName(std::wstring_view a, std::wstring_view b);

// Sorts `items` by the names `nameOf` gives them (a function or a member pointer).
template <class Item, class NameOf>
void sortByName(std::vector<Item>& items, NameOf nameOf) {
  std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
    return precedesByName(std::invoke(nameOf, a), std::invoke(nameOf, b));
  });
}

// Sorts byte names (or "/" paths, taken as one name each) themselves.
inline void sortByName(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return precedesByName(a, b);
  });
}
