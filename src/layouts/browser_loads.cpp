// The jumps, sounds and videos of browser-style projects (and of plain ones): each
// sound or video loads from one folder below the root, its value the path there.
#include "layouts/load_table.h"

namespace {

using enum LoadKind;

constexpr JumpRow kJumps[] = {
    {"jump", "storage", "target", "", {}, ""},
    {"call", "storage", "target", "", {}, ""},
    {"link", "storage", "target", "", {}, ""},
    {"glink", "storage", "target", "", {}, ""},
    {"clickable", "storage", "target", "", {}, ""},
    {"button", "storage", "target", "role", {}, "fix"},
    {"sleepgame", "storage", "target", "", {}, ""},
    {"dialog", "storage", "target", "", {}, ""},
    {"dialog", "storage_cancel", "target_cancel", "", {}, ""},
};

constexpr SoundRow kSounds[] = {
    {"playbgm", {"storage"}, sound, "bgm", "target", "se", "sound"},
    {"fadeinbgm", {"storage"}, sound, "bgm", "", "", ""},
    {"xchgbgm", {"storage"}, sound, "bgm", "", "", ""},
    {"playse", {"storage"}, sound, "sound", "", "", ""},
    {"fadeinse", {"storage"}, sound, "sound", "", "", ""},
    {"button", {"clickse", "enterse", "leavese"}, sound, "sound", "", "", ""},
    {"glink", {"clickse", "enterse", "leavese"}, sound, "sound", "", "", ""},
    {"dialog_config_ok", {"clickse", "enterse", "leavese"}, sound, "sound", "", "", ""},
    {"dialog_config_ng", {"clickse", "enterse", "leavese"}, sound, "sound", "", "", ""},
    {"movie", {"storage"}, video, "video", "", "", ""},
    {"bgmovie", {"storage"}, video, "video", "", "", ""},
    {"layermode_movie", {"video"}, video, "video", "", "", ""},
};

constexpr LoadTable kTable{
    kJumps, kSounds, false, false, true, {}, loadNameFilter(kJumps, kSounds)};

}  // namespace

const LoadTable& browserLoadTable() { return kTable; }
