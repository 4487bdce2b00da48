// The jumps, sounds and videos of desktop-style projects: tag and attribute names in
// any letter case, every name searched on the search path.
#include "layouts/load_table.h"

namespace {

using enum LoadKind;

constexpr JumpRow kJumps[] = {
    {"jump", "storage", "target", "", {}, ""},
    {"call", "storage", "target", "", {}, ""},
    {"link", "storage", "target", "", {}, ""},
    {"button", "storage", "target", "", {}, ""},
    {"click", "storage", "target", "", {}, ""},
    {"timeout", "storage", "target", "", {}, ""},
    {"wheel", "storage", "target", "", {}, ""},
    {"rclick", "storage", "target", "", {"jump", "call"}, ""},
};

constexpr SoundRow kSounds[] = {
    {"playbgm", {"storage"}, sound, "", "", "", ""},
    {"fadeinbgm", {"storage"}, sound, "", "", "", ""},
    {"xchgbgm", {"storage"}, sound, "", "", "", ""},
    {"playse", {"storage"}, sound, "", "", "", ""},
    {"fadeinse", {"storage"}, sound, "", "", "", ""},
    {"link", {"clickse", "enterse", "leavese"}, sound, "", "", "", ""},
    {"button", {"clickse", "enterse", "leavese"}, sound, "", "", "", ""},
    {"click", {"se"}, sound, "", "", "", ""},
    {"timeout", {"se"}, sound, "", "", "", ""},
    {"wheel", {"se"}, sound, "", "", "", ""},
    {"openvideo", {"storage"}, video, "", "", "", ""},
    {"playvideo", {"storage"}, video, "", "", "", ""},
};

// The formats the engine's sound scripts try; they differ between its versions, and a
// name any of them finds loads.
constexpr std::string_view kSoundExtensions[] = {".wav", ".ogg", ".tcw",
                                                 ".mid", ".smf", ".mdi"};

constexpr LoadTable kTable{kJumps,
                           kSounds,
                           true,
                           true,
                           false,
                           kSoundExtensions,
                           loadNameFilter(kJumps, kSounds)};

}  // namespace

const LoadTable& desktopLoadTable() { return kTable; }
