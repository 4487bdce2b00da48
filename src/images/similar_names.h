// Did-you-mean for a missing image: most missing references are typos or the wrong
// extension next to the right file (musleeyeclose.png for musleeyeeyeclose.png,
// title.png for title.jpg, title.png.png for title.png).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "images/image_index.h"

// The same-stem rule, for any kind of file: the files of `index` named like `name`
// (native) but for an extension, at most `most`, each step in walk order, ASCII
// letter case ignored. None unless `name` ends in one of `extensions` (lower case with
// the dot, a kind of file's formats in the order suggestions name them) and is more
// than it. First `name` with that extension replaced by each other one in the list's
// order (toumei.png for toumei.gif); then the extension doubled or undoubled:
// `name` without its last extension when it ends in the same one twice (title.png
// for title.png.png), then `name` with it added (title.png.png for title.png).
std::vector<std::uint32_t> sameStemFiles(const ImageIndex& index,
                                         ImageIndex::NameView name,
                                         std::span<const std::string_view> extensions,
                                         std::size_t most);

// The files of `index` whose names look like `name` (native), at most three, closest
// first: the same-stem files among every image format the program reads
// (kImageExtensions), then, for a .png or .jpg name, files with the same extension
// whose stem is within the optimal-string-alignment distance 1 (stems of up to 4
// characters), 2 (5 to 9) or 3 (10 or more) of `name`'s, characters compared with
// ASCII letter case ignored; ties in walk order. A stem equal to `name`'s once
// digits are removed from both is a numbered sibling (ev_02 beside ev_03), not a
// typo, and is left out; so is the spelling that differs only in letter case, which
// the case hint reports. A stem of one or two characters gets no typos at all:
// nearly every short name is one edit away from it.
// The first call builds a table of the index's image stems, kept in `index`; a
// search then costs what the stems near `name` cost, not every file of its length.
std::vector<std::uint32_t> similarFiles(ImageIndex& index, ImageIndex::NameView name);

// The same for a reference written without an extension (the game tries a list of
// them): the files of any image extension (.png .jpg .jpeg .gif .webp .bmp .svg .tlg6
// .tlg5 .tlg .eri .jif .dib) whose stem, the name before its last dot, is within the
// distances above of `stem`, under the same rules; a stem at distance 0 is left out,
// as the caller looks for those itself.
std::vector<std::uint32_t> similarFilesByStem(ImageIndex& index,
                                              ImageIndex::NameView stem);

// The same two answers found by measuring every file of the index one by one: the
// reference the fast search is tested and measured against.
std::vector<std::uint32_t> similarFilesPlain(const ImageIndex& index,
                                             ImageIndex::NameView name);
std::vector<std::uint32_t> similarFilesByStemPlain(const ImageIndex& index,
                                                   ImageIndex::NameView stem);

// The distance above, for tests: the optimal-string-alignment distance of `a` and
// `b`, or `limit` + 1 when it is greater than `limit`.
int boundedAlignmentDistance(std::u32string_view a, std::u32string_view b, int limit);
