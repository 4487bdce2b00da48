#!/usr/bin/env python3
"""Writes a synthetic project for benchmarking ks-image-check.

    generate_project.py --preset small|large|numbered|game|large-macros OUTDIR
                        [--scripts N] [--lines N] [--refs N] [--files N] [--jumps N]
                        [--macros N] [--macro-calls N] [--seed N]
                        [--scale X] [--lines-scale X] [--force] [--reuse]

The project looks like a real one to the program: UTF-8 scripts in scenario/
with Japanese dialogue and tag lines, images in data/bgimage and nested below
data/fgimage and data/image, and a large subtree of unrelated files in others/.
Image references fall into three groups: about half are found through the
folder hint of their line, about 3% exist nowhere, and the rest are found only
by searching the tree for their file name. Image files are empty: only their
names matter.

Jumps to labels and scripts replace some dialogue lines: within a script, to
another script's label, to another script's top; 1% of them are broken (a
label or a script that is not there).

The numbered preset names nine files in ten the way large games number their
pictures (face_sakura_023.png, ev_01_08_a.jpg, map_town_079.png), and its
missing references are near misses of them (face_sakura_023_old.png, a swapped
or dropped letter, a number past the end of its series, the other extension):
many names share a length and most of their characters, which is where a
did-you-mean search has the most candidates to rule out.

The game preset adds to those names what a large game's run checks besides its
pictures: jumps, sounds in the root's sound and bgm folders (a few names missing),
and 200 macros defined in the first script and called 20,000 times (backgrounds
through a folder written in the body, sounds, text settings, a macro calling
another). large-macros is large with the same macros and calls.

The output depends on the parameters and the seed alone (random.Random with an
integer seed, no set or dict iteration over strings), so two runs give the same
bytes. A manifest with the parameters and the counts is written beside OUTDIR as
OUTDIR.manifest.json, not inside it, so that the tree holds exactly the files
asked for.
"""

import argparse
import json
import os
import random
import re
import shutil
import sys

GENERATOR_VERSION = 4

PRESETS = {
    "small": {"scripts": 20, "lines": 5_000, "refs": 800, "files": 1_000, "jumps": 400},
    "large": {"scripts": 400, "lines": 250_000, "refs": 40_000, "files": 50_000,
              "jumps": 20_000},
    "numbered": {"scripts": 400, "lines": 250_000, "refs": 40_000, "files": 50_000,
                 "jumps": 0, "names": "numbered"},
    # The shape of a large commercial game with every check at work: the numbered
    # names, jumps, sounds the game finds (and a few it does not), macro calls.
    "game": {"scripts": 400, "lines": 250_000, "refs": 40_000, "files": 50_000,
             "jumps": 20_000, "macros": 200, "macro_calls": 20_000, "names": "numbered",
             "sound_folders": True},
    # large with 200 macros called 20,000 times, to compare with large itself.
    "large-macros": {"scripts": 400, "lines": 250_000, "refs": 40_000, "files": 50_000,
                     "jumps": 20_000, "macros": 200, "macro_calls": 20_000},
}
SIZE_KEYS = ("scripts", "lines", "refs", "files", "jumps", "macros", "macro_calls")

HINT_SHARE = 0.50
MISSING_SHARE = 0.03
BROKEN_JUMP_SHARE = 0.01
# With sound folders, the sounds the dialogue plays are there but for the last few
# names of each kind, which about 1.5 % of the sound lines name.
SE_NAMES, SE_MISSING = 200, 3
BGM_NAMES, BGM_MISSING = 40, 1
IMAGE_FILE_SHARE = 0.40  # of all files; the rest are scripts and unrelated files
NUMBERED_IMAGE_FILE_SHARE = 0.90
FILES_PER_FOLDER = 100

CHARACTERS = [
    ("misaki", "美咲"), ("yuma", "悠真"), ("aoi", "葵"), ("ren", "蓮"),
    ("hina", "陽菜"), ("minato", "湊"), ("sora", "空"), ("kaede", "楓"),
]
POSES = ["pose1", "pose2", "pose3", "uniform", "casual", "night"]
FACES = ["normal", "smile", "angry", "sad", "surprise", "shy", "think", "cry"]
SPRITE_PARTS = ["face", "pose", "cos"]
PLACES = ["room", "school", "street", "park", "station", "cafe", "beach", "shrine",
          "classroom", "rooftop", "library", "hall"]
CHARACTER_KEYS = [key for key, _ in CHARACTERS]
TIMES = ["day", "evening", "night"]
EVENT_KINDS = ["ev", "cg", "cutin", "effect", "button"]
UNRELATED_KINDS = [("txt", 4), ("ogg", 3), ("dat", 2), ("ks", 1)]

PHRASES = [
    "今日は", "いい天気だね", "そういえば", "昨日の話だけど", "本当に", "ちょっと待って",
    "どうしたの", "わからない", "放課後", "一緒に帰ろう", "約束したでしょ", "まさか",
    "あの時", "君のことを", "ずっと", "考えていた", "ありがとう", "ごめんね",
    "信じられない", "大丈夫だよ", "もう少しだけ", "ここにいて", "忘れないで", "それでも",
    "僕は", "私は", "先輩が", "みんなで", "駅前の", "喫茶店に", "行ってみない", "明日",
    "雨が降りそう", "窓の外では", "夕暮れの光が", "静かに", "街を染めていた", "風が",
    "桜の花びらを", "運んでいく", "遠くで", "電車の音が", "聞こえる", "胸の奥が",
    "少しだけ", "温かくなった", "気がつくと", "時計の針は", "午後五時を", "指していた",
]
ENDINGS_SPOKEN = ["。", "！", "？", "……", "ね。", "よ。", "かな。"]
ENDINGS_NARRATION = ["。", "。", "……。", "、"]
PLAIN_TAGS = [
    "[cm]", "[l][r]", "[p]", "[wt]", "[er]", "[wait time=500]", "[wait time=1200]",
    "[trans method=crossfade time=800]", "[layopt layer=message0 visible=true]",
    "[stopse]", "[fadeoutbgm time=2000]", "[ct]", "[font size=32]", "[resetfont]",
]


class Plan:
    """The counts a project is built from, derived from the parameters."""

    def __init__(self, scripts, lines, refs, files, image_share=IMAGE_FILE_SHARE, jumps=0,
                 macros=0, macro_calls=0, sound_folders=False):
        if scripts < 1:
            raise ValueError("at least one script is needed")
        self.scripts = scripts
        self.lines = max(lines, scripts)
        self.refs = refs
        self.files = files
        self.jumps = jumps
        self.broken_jumps = round(jumps * BROKEN_JUMP_SHARE)
        self.macros = macros
        self.macro_calls = macro_calls if macros else 0
        self.sound_files = (SE_NAMES - SE_MISSING + BGM_NAMES - BGM_MISSING
                            if sound_folders else 0)
        self.hint_refs = round(refs * HINT_SHARE)
        self.missing_refs = round(refs * MISSING_SHARE)
        self.search_refs = refs - self.hint_refs - self.missing_refs
        images = max(round(files * image_share), min(2, refs))
        images = min(images, files - scripts - self.sound_files)
        if images < min(2, refs) or images < 0:
            raise ValueError(f"{files} files cannot hold {scripts} scripts and the images")
        self.image_files = images
        self.unrelated_files = files - scripts - images - self.sound_files
        if self.unrelated_files < 0:
            raise ValueError(f"{files} files cannot hold the scripts, images and sounds")
        # Each image is referenced several times, as sprites and backgrounds are.
        hint_pool = min(max(1, self.hint_refs // 5), max(1, images // 2))
        search_pool = min(max(1, self.search_refs // 4), images - hint_pool)
        self.hint_pool = hint_pool if self.hint_refs else 0
        self.search_pool = search_pool if self.search_refs else 0
        self.decoy_images = images - self.hint_pool - self.search_pool


def split_evenly(total, parts):
    base, extra = divmod(total, parts)
    return [base + (1 if i < extra else 0) for i in range(parts)]


class Images:
    """Names and places of the image files, per group.

    Hinted images sit where their tag's folder attribute plus the reference
    points. Searched-for images sit where no hint points, so only the walk
    finds them; a reference to one names it alone or with the folders it
    lies in, as scripts do. Names of the groups never collide,
    and missing references use a prefix no file has.
    """

    def __init__(self, plan):
        self.hint = []  # (reference text, hint folder, file path)
        for i in range(plan.hint_pool):
            if i % 5 < 2:
                name = f"bg_{PLACES[i % len(PLACES)]}_{TIMES[i % 3]}_{i:05d}.jpg"
                self.hint.append((name, "data/bgimage", f"data/bgimage/{name}"))
            else:
                key, _ = CHARACTERS[i % len(CHARACTERS)]
                pose = POSES[(i // 8) % len(POSES)]
                face = FACES[(i // 48) % len(FACES)]
                ref = f"{key}/{pose}_{face}_{i:05d}.png"
                self.hint.append((ref, "data/fgimage", f"data/fgimage/{ref}"))
        self.search = []  # (character key or kind, file name, file path)
        for i in range(plan.search_pool):
            if i % 4 < 3:
                key, _ = CHARACTERS[i % len(CHARACTERS)]
                part = SPRITE_PARTS[(i // 8) % len(SPRITE_PARTS)]
                name = f"{key}_{part}_{FACES[i % len(FACES)]}_{i:05d}.png"
                path = f"data/fgimage/chara/{key}/{part}/{name}"
                self.search.append((key, name, path))
            else:
                kind = EVENT_KINDS[(i // 4) % len(EVENT_KINDS)]
                ext = "jpg" if kind in ("ev", "cg") else "png"
                name = f"{kind}_{i:05d}.{ext}"
                path = f"data/image/{kind}/{(i // 4) % 7:02d}/{name}"
                self.search.append((kind, name, path))
        self.hint_bg = [h for h in self.hint if h[1] == "data/bgimage"]
        self.search_deep = [s for s in self.search if s[2].count("/") >= 4]
        self.character_keys = CHARACTER_KEYS
        self.names = None
        self.decoys = []
        for i in range(plan.decoy_images):
            key, _ = CHARACTERS[i % len(CHARACTERS)]
            if i % 3 == 0:
                self.decoys.append(f"data/image/thumb/{(i // 3) % 17:02d}/thumb_{i:05d}.png")
            elif i % 3 == 1:
                part = SPRITE_PARTS[(i // 3) % len(SPRITE_PARTS)]
                self.decoys.append(f"data/fgimage/chara/{key}/{part}/{key}_unused_{i:05d}.png")
            else:
                self.decoys.append(f"data/bgimage/unused/bg_unused_{i:05d}.jpg")

    def files(self):
        return ([path for _, _, path in self.hint] + [path for _, _, path in self.search]
                + self.decoys)


NUMBERED_KEYS = ["sakura", "aoi", "misaki", "yuma", "ren", "hina", "minato", "sora",
                 "kaede", "tsubasa", "kotone", "haruto", "rin", "shiori", "takumi", "mio"]
MAP_AREAS = ["town", "school", "forest", "station", "harbor", "shrine"]
# Series of numbered pictures: (share of the images, function of the i-th member
# giving (key, folder, name)). Every member's name is unique across all series.
NUMBERED_SERIES = [
    (0.30, lambda i: (NUMBERED_KEYS[i % 16], f"data/fgimage/chara/{NUMBERED_KEYS[i % 16]}/face",
                      f"face_{NUMBERED_KEYS[i % 16]}_{i // 16:03d}.png")),
    (0.15, lambda i: (NUMBERED_KEYS[i % 16], f"data/fgimage/chara/{NUMBERED_KEYS[i % 16]}/pose",
                      f"st_{NUMBERED_KEYS[i % 16]}_{(i // 16) % 20:02d}_{i // 320:02d}.png")),
    (0.25, lambda i: ("ev", f"data/image/ev/{i // 100 + 1:02d}",
                      f"ev_{i // 100 + 1:02d}_{(i // 5) % 20 + 1:02d}_{'abcde'[i % 5]}.jpg")),
    (0.10, lambda i: ("map", f"data/image/map/{MAP_AREAS[i % 6]}",
                      f"map_{MAP_AREAS[i % 6]}_{i // 6:03d}.png")),
    (0.10, lambda i: ("bg", "data/bgimage", f"bg_{i // 3:03d}_{TIMES[i % 3]}.jpg")),
    (0.10, lambda i: ("thumb", f"data/image/thumb/{i // 100 + 1:02d}",
                      f"thumb_ev_{i // 100 + 1:02d}_{(i // 5) % 20 + 1:02d}_"
                      f"{'abcde'[i % 5]}.png")),
]


class NumberedImages:
    """The groups of Images, named by numbered series and dealt out at random."""

    def __init__(self, plan, rng):
        counts = split_by_shares(plan.image_files, [share for share, _ in NUMBERED_SERIES])
        members = []  # (key, folder, name)
        for (_, member), count in zip(NUMBERED_SERIES, counts):
            members += [member(i) for i in range(count)]
        rng.shuffle(members)
        self.character_keys = NUMBERED_KEYS
        self.names = [name for _, _, name in members]
        self.name_set = set(self.names)
        self.hint = []
        for key, folder, name in members[:plan.hint_pool]:
            if folder == "data/bgimage":
                self.hint.append((name, folder, f"{folder}/{name}"))
            else:
                top, below = folder.split("/", 2)[:2], folder.split("/", 2)[2]
                self.hint.append((f"{below}/{name}", "/".join(top), f"{folder}/{name}"))
        self.search = [(key, name, f"{folder}/{name}") for key, folder, name
                       in members[plan.hint_pool:plan.hint_pool + plan.search_pool]]
        self.hint_bg = [h for h in self.hint if h[1] == "data/bgimage"]
        self.search_deep = [s for s in self.search if s[2].count("/") >= 4]
        self.decoys = [f"{folder}/{name}" for _, folder, name
                       in members[plan.hint_pool + plan.search_pool:]]

    def files(self):
        return ([path for _, _, path in self.hint] + [path for _, _, path in self.search]
                + self.decoys)


def split_by_shares(total, shares):
    counts = [int(total * share) for share in shares]
    counts[0] += total - sum(counts)
    return counts


NEAR_MISS_SUFFIXES = ["_old", "_new", "_bak", "_b", "2", "_v2"]


def near_miss(name, rng):
    """A name like `name` that a writer might have meant it by: a suffix, a typo,
    a number past the series, the other extension."""
    stem, ext = name.rsplit(".", 1)
    roll = rng.random()
    letters = [i for i, c in enumerate(stem) if c.isalpha()]
    if roll < 0.40:
        return f"{stem}{rng.choice(NEAR_MISS_SUFFIXES)}.{ext}"
    if roll < 0.60:  # two neighbouring letters swapped
        i = rng.choice([i for i in letters if i + 1 < len(stem) and stem[i + 1] != stem[i]])
        return f"{stem[:i]}{stem[i + 1]}{stem[i]}{stem[i + 2:]}.{ext}"
    if roll < 0.75:  # a letter dropped
        i = rng.choice(letters)
        return f"{stem[:i]}{stem[i + 1:]}.{ext}"
    if roll < 0.85:  # a letter doubled
        i = rng.choice(letters)
        return f"{stem[:i]}{stem[i]}{stem[i:]}.{ext}"
    if roll < 0.93:  # past the end of its series: a numbered sibling
        digits = [i for i, c in enumerate(stem) if c.isdigit()]
        return f"{stem[:digits[-1]]}{9 - int(stem[digits[-1]]) % 9}9{stem[digits[-1] + 1:]}.{ext}"
    return f"{stem}.{'jpg' if ext == 'png' else 'png'}"


def unrelated_paths(count):
    """Paths of the files that are not images: sounds in data/, the rest in others/."""
    sounds = count // 5
    paths = [f"data/sound/{'se' if i % 2 else 'bgm'}/{i // 2 // FILES_PER_FOLDER:02d}/"
             f"{'se' if i % 2 else 'bgm'}_{i:05d}.ogg" for i in range(sounds)]
    kinds = [ext for ext, weight in UNRELATED_KINDS for _ in range(weight)]
    for i in range(count - sounds):
        folder = i // FILES_PER_FOLDER
        ext = kinds[i % len(kinds)]
        paths.append(f"others/{folder // 100:02d}/{(folder // 10) % 10:02d}/"
                     f"{folder % 10:02d}/item_{i:06d}.{ext}")
    return paths


class Text:
    """Lines of a script that hold no image reference."""

    def __init__(self, rng):
        self.rng = rng
        self.speaker = None

    def dialogue(self):
        rng = self.rng
        body = "".join(rng.choice(PHRASES) for _ in range(rng.randint(2, 5)))
        return f"「{body}{rng.choice(ENDINGS_SPOKEN)}」[p]"

    def narration(self):
        rng = self.rng
        body = "".join(rng.choice(PHRASES) for _ in range(rng.randint(3, 9)))
        return f"{body}{rng.choice(ENDINGS_NARRATION)}[l][r]"

    def line(self, label_number):
        rng = self.rng
        roll = rng.random()
        if self.speaker is not None:
            self.speaker = None
            return self.dialogue()
        if roll < 0.30:
            self.speaker = rng.choice(CHARACTERS)[1]
            return f"#{self.speaker}"
        if roll < 0.62:
            return self.narration()
        if roll < 0.72:
            return self.dialogue()
        if roll < 0.90:
            return rng.choice(PLAIN_TAGS)
        if roll < 0.94:
            return f'[playse storage="se_{rng.randrange(200):03d}.ogg"]'
        if roll < 0.96:
            return f'[playbgm storage="bgm_{rng.randrange(40):02d}.ogg" loop=true]'
        if roll < 0.98:
            return f"; {rng.choice(PHRASES)}{rng.choice(PHRASES)}（要確認）"
        return f"*scene_{label_number:04d}|{rng.choice(PHRASES)}"


class References:
    """Lines that hold image references, by group; each returns (line, count)."""

    def __init__(self, images, rng):
        self.images = images
        self.rng = rng
        self.missing_number = 0
        self.label_base = 0  # of the script being written: its first label

    def hinted(self):
        rng = self.rng
        ref, folder, _ = rng.choice(self.images.hint)
        if folder == "data/bgimage":
            forms = [
                f'[bg storage="{ref}" time=1000 folder="{folder}"]',
                f'[bg2 folder="{folder}" storage="{ref}" time=500]',
                f'[bg storage="{ref}" folder="{folder}" method=crossfade]',
            ]
        else:
            layer = rng.randrange(3)
            forms = [
                f'[image storage="{ref}" folder="{folder}" layer={layer} left=200 top=40]',
                f'[image layer={layer} folder = "{folder}" storage="{ref}" visible=true]',
            ]
        return rng.choice(forms)

    def searched(self):
        rng = self.rng
        key, name, path = rng.choice(self.images.search)
        if key in self.images.character_keys:
            layer = rng.randrange(3)
            part = path.split("/")[-2]
            forms = [
                f'[chara_show name="{key}" storage="chara/{key}/{part}/{name}" time=300]',
                f"@image storage={name} layer={layer} visible=true",
                f'[image storage="{key}/{part}/{name}" folder="data/fgimage" layer={layer}]',
                f'[chara_mod name="{key}" face="{name}"]',
            ]
        else:
            forms = [
                f"@bg storage={name} time=800",
                f'[image storage="{name}" folder="data/fgimage" layer=2]',
                f'[button graphic="{name}" target=*start_{self.label_base:04d}]',
                f"[bg storage={name} time=500]",
            ]
        return rng.choice(forms)

    def missing(self):
        rng = self.rng
        self.missing_number += 1
        if self.images.names is not None:
            return self.near_miss()
        key = rng.choice(CHARACTERS)[0]
        name = f"old_{key}_{self.missing_number:05d}"
        forms = [
            f'[image storage="{key}/{name}.png" folder="data/fgimage" layer=1]',
            f"; 差し替え前の立ち絵: {name}.png",
            f"@bg storage={name}.jpg",
            f'[bg storage="{name}.JPG" folder="data/bgimage"]',
        ]
        return rng.choice(forms)

    def near_miss(self):
        rng = self.rng
        name = near_miss(rng.choice(self.images.names), rng)
        while name in self.images.name_set:
            name = near_miss(rng.choice(self.images.names), rng)
        forms = [
            f'[image storage="{name}" folder="data/fgimage" layer=1]',
            f"; 差し替え前: {name}",
            f"@bg storage={name}",
            f'[bg storage="{name}" folder="data/bgimage"]',
        ]
        return rng.choice(forms)

    def line(self, groups):
        """A line for one or two references; `groups` lists their groups."""
        if groups == ("h", "s"):
            # The first tag's hint applies to the whole line, so the sprite that
            # follows misses it and is left to the search.
            bg, folder, _ = self.rng.choice(self.images.hint_bg)
            # Not one in data/bgimage, which the first tag's folder would find.
            key, name, path = self.rng.choice(self.images.search_deep)
            below = "/".join(path.split("/")[3:])  # below data/fgimage/chara
            return (f'[bg storage="{bg}" folder="{folder}"]'
                    f'[image storage="{below}" folder="data/fgimage" layer=1]')
        return {"h": self.hinted, "s": self.searched, "m": self.missing}[groups[0]]()


def script_names(count):
    names = []
    for i in range(count):
        names.append(f"ch{i // 25 + 1:02d}_{i % 25 + 1:03d}.ks")
    return names


def group_lines(groups, rng):
    """Groups a script's references into lines of one or two references."""
    lines = []
    i = 0
    while i < len(groups):
        pair = tuple(groups[i:i + 2])
        if pair == ("h", "s") and rng.random() < 0.2:
            lines.append(pair)
            i += 2
        else:
            lines.append((groups[i],))
            i += 1
    return lines


class Script:
    """A script's lines before they are written: which are free for jumps, which
    labels it defines."""

    def __init__(self, name, lines, free, labels):
        self.name = name
        self.lines = lines
        self.free = free  # line numbers of plain text a jump may replace
        self.labels = labels  # names without "*"


def compose_script(name, line_count, ref_lines, text, refs, rng, label_base):
    # The first line is always the script's start label.
    positions = sorted(rng.sample(range(1, line_count), len(ref_lines)))
    refs.label_base = label_base
    out = [f"*start_{label_base:04d}"]
    free, labels = [], [f"start_{label_base:04d}"]
    next_ref = 0
    for n in range(1, line_count):
        if next_ref < len(positions) and positions[next_ref] == n:
            out.append(refs.line(ref_lines[next_ref]))
            next_ref += 1
            continue
        line = text.line(label_base + n)
        if line.startswith("*"):
            labels.append(line[1:].split("|", 1)[0])
        elif not line.startswith(";"):
            free.append(n)
        out.append(line)
    return Script(name, out, free, labels)


def jump_line(script, scripts, broken, rng):
    """A jump from `script`: within it, to another script's label or top, or with a
    label or a script that is not there."""
    other = scripts[rng.randrange(len(scripts))]
    own_label = rng.choice(script.labels)
    if broken:
        if rng.random() < 0.5:
            return f"[jump target=*{own_label}_old]"
        return f"[jump storage=gone_{rng.randrange(100):02d}.ks]"
    roll = rng.random()
    if roll < 0.30:
        return f"[jump target=*{own_label}]"
    if roll < 0.55:
        return f"[jump storage={other.name} target=*{rng.choice(other.labels)}]"
    if roll < 0.70:
        return f"@jump storage={other.name} target=*{rng.choice(other.labels)}"
    if roll < 0.80:
        return f"[call storage={other.name}]"
    if roll < 0.90:
        return f"[link target=*{own_label}]{rng.choice(PHRASES)}[endlink][r]"
    return f'[glink text="{rng.choice(PHRASES)}" target=*{own_label}]'


def place_jumps(scripts, jumps, broken, rng, taken):
    """Replaces free lines of the scripts with jumps, `broken` of them broken; adds
    the lines replaced to `taken`."""
    counts = split_evenly(jumps, len(scripts))
    kinds = [True] * broken + [False] * (jumps - broken)
    rng.shuffle(kinds)
    at = 0
    for script, count in zip(scripts, counts):
        count = min(count, len(script.free))
        for n in sorted(rng.sample(script.free, count)):
            script.lines[n] = jump_line(script, scripts, kinds[at], rng)
            taken.add((script.name, n))
            at += 1
    return at, sum(kinds[:at])


def macro_definitions(count, images):
    """The lines defining `count` macros, and a function giving a call of the i-th.

    Four kinds take turns: a background shown with the call's picture (its folder
    written in the body), a sound played with a pause, text settings with defaults,
    and a macro that calls the first kind in turn. A call passes what its body asks
    for: a background that is there, a sound among those the dialogue plays."""
    backgrounds = [ref for ref, _, _ in images.hint_bg]
    lines, kinds = [], []
    for i in range(count):
        kind = i % 4 if backgrounds else 2
        if kind == 3 and i < 3:
            kind = 2
        if kind == 0:
            body = '[bg storage=%storage folder="data/bgimage" time=%time|500]'
            name = f"show_bg_{i:03d}"
        elif kind == 1:
            body = "[playse storage=%se][wait time=%time|300]"
            name = f"se_cue_{i:03d}"
        elif kind == 2:
            body = "[cm][font size=%size|32 color=%color|0xffffff]"
            name = f"say_{i:03d}"
        else:
            body = f"[show_bg_{i - 3:03d} storage=%storage time=%time|300][wait time=200]"
            name = f"scene_bg_{i:03d}"
        lines += [f"[macro name={name}]", body, "[endmacro]"]
        kinds.append((kind, name))

    def call(i, rng):
        kind, name = kinds[i % len(kinds)]
        if kind in (0, 3):
            return f'[{name} storage="{rng.choice(backgrounds)}" time={rng.randrange(1, 9)}00]'
        if kind == 1:
            return f'[{name} se="se_{rng.randrange(SE_NAMES - SE_MISSING):03d}.ogg"]'
        return f"[{name} size={rng.choice((24, 28, 32))}]"

    return lines, call


def place_macro_calls(scripts, calls, call, rng, taken):
    """Replaces free lines not `taken` (by jumps) with `calls` macro calls; returns
    how many were placed and how many of them show a picture."""
    counts = split_evenly(calls, len(scripts))
    at = pictures = 0
    for script, count in zip(scripts, counts):
        free = [n for n in script.free if (script.name, n) not in taken]
        for n in sorted(rng.sample(free, min(count, len(free)))):
            script.lines[n] = call(at, rng)
            pictures += script.lines[n].startswith(("[show_bg_", "[scene_bg_"))
            at += 1
    return at, pictures


SOUND_NAME = re.compile(r'^\[(?:playse storage|playbgm storage|se_cue_\d+ se)="([^"]+)"')


def tally(scripts, sounds_present):
    """What a run must report beyond the planned references: the references on
    comment lines (which count for nothing), the sound loads and those missing."""
    present = {path.rsplit("/", 1)[-1] for path in sounds_present}
    commented = sounds = sounds_missing = 0
    for script in scripts:
        for line in script.lines:
            if line.startswith("; 差し替え前"):
                commented += 1
            match = SOUND_NAME.match(line)
            if match:
                sounds += 1
                sounds_missing += match.group(1) not in present
    return commented, sounds, sounds_missing


def write_script(path, out, crlf, bom):
    newline = "\r\n" if crlf else "\n"
    data = (newline.join(out) + newline).encode("utf-8")
    with open(path, "wb") as f:
        if bom:
            f.write(b"\xef\xbb\xbf")
        f.write(data)
    return len(data) + (3 if bom else 0)


def make_dirs(paths):
    made = []
    seen = {}
    for p in paths:
        folder = p.rpartition("/")[0]
        if folder and folder not in seen:
            seen[folder] = True
            made.append(folder)
    every = {}
    for folder in made:
        os.makedirs(folder, exist_ok=True)
        while folder and folder not in every:
            every[folder] = True
            folder = folder.rpartition("/")[0]
    return len(every)


def sound_paths(plan):
    """The sounds in the root's sound and bgm folders, the last few names of each
    kind left out."""
    if not plan.sound_files:
        return []
    return ([f"sound/se_{i:03d}.ogg" for i in range(SE_NAMES - SE_MISSING)]
            + [f"bgm/bgm_{i:02d}.ogg" for i in range(BGM_NAMES - BGM_MISSING)])


def generate(outdir, plan, seed, names="plain"):
    """Writes the project into `outdir` (which must not exist) and returns counts."""
    rng = random.Random(seed)
    os.makedirs(outdir)
    cwd = os.getcwd()
    os.chdir(outdir)
    try:
        images = NumberedImages(plan, rng) if names == "numbered" else Images(plan)
        image_paths = images.files()
        other_paths = unrelated_paths(plan.unrelated_files) + sound_paths(plan)
        folders = make_dirs(["scenario/x"] + image_paths + other_paths)
        for p in image_paths + other_paths:
            with open(p, "wb"):
                pass

        groups = (["h"] * plan.hint_refs + ["s"] * plan.search_refs
                  + ["m"] * plan.missing_refs)
        rng.shuffle(groups)
        text = Text(rng)
        refs = References(images, rng)
        script_bytes = 0
        total_lines = 0
        offset = 0
        names = script_names(plan.scripts)
        ref_counts = split_evenly(plan.refs, plan.scripts)
        line_counts = split_evenly(plan.lines, plan.scripts)
        scripts = []
        for i, name in enumerate(names):
            ref_lines = group_lines(groups[offset:offset + ref_counts[i]], rng)
            offset += ref_counts[i]
            line_count = max(line_counts[i], len(ref_lines) + 1)
            scripts.append(compose_script(name, line_count, ref_lines, text, refs, rng,
                                          label_base=i * 10_000))
            total_lines += line_count
        taken = set()
        jumps, broken = place_jumps(scripts, plan.jumps, plan.broken_jumps, rng, taken)
        calls = macro_refs = 0
        if plan.macros:
            definitions, call = macro_definitions(plan.macros, images)
            calls, macro_refs = place_macro_calls(scripts, plan.macro_calls, call, rng,
                                                  taken)
            # A game defines its macros before its first scene.
            scripts[0].lines[1:1] = definitions
            total_lines += len(definitions)
        commented, sounds, sounds_missing = tally(scripts, sound_paths(plan))
        for i, script in enumerate(scripts):
            script_bytes += write_script(os.path.join("scenario", script.name),
                                         script.lines, crlf=(i % 4 == 3), bom=(i % 3 == 1))
    finally:
        os.chdir(cwd)
    return {
        "scripts": plan.scripts,
        "lines": total_lines,
        "script_bytes": script_bytes,
        "refs": plan.refs,
        "refs_hint": plan.hint_refs,
        "refs_search": plan.search_refs,
        "refs_missing": plan.missing_refs,
        "jumps": jumps,
        "jumps_broken": broken,
        "macros": plan.macros,
        "macro_calls": calls,
        "macro_call_refs": macro_refs,
        "sound_files": plan.sound_files,
        "refs_commented": commented,
        "sounds": sounds,
        "sounds_missing": sounds_missing,
        "files": plan.scripts + len(image_paths) + len(other_paths),
        "image_files": len(image_paths),
        "folders": folders,
    }


def parameters(args):
    preset = PRESETS[args.preset]
    values = {}
    for key in SIZE_KEYS:
        given = getattr(args, key)
        values[key] = preset.get(key, 0) if given is None else given
    for key in SIZE_KEYS:
        values[key] = max(0, round(values[key] * args.scale))
    values["scripts"] = max(1, values["scripts"])
    values["lines"] = round(values["lines"] * args.lines_scale)
    values["seed"] = args.seed
    values["names"] = preset.get("names", "plain")
    values["sound_folders"] = preset.get("sound_folders", False)
    values["version"] = GENERATOR_VERSION
    return values


def manifest_path(outdir):
    return os.path.normpath(outdir) + ".manifest.json"


def read_manifest(outdir):
    try:
        with open(manifest_path(outdir), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("outdir")
    parser.add_argument("--preset", choices=sorted(PRESETS), default="small")
    parser.add_argument("--scripts", type=int)
    parser.add_argument("--lines", type=int, help="lines of all scripts together")
    parser.add_argument("--refs", type=int, help="image references in all scripts")
    parser.add_argument("--files", type=int, help="regular files in the whole tree")
    parser.add_argument("--jumps", type=int, help="jumps in all scripts together")
    parser.add_argument("--macros", type=int, help="macros defined in the first script")
    parser.add_argument("--macro-calls", type=int, help="calls of them in all scripts")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--scale", type=float, default=1.0,
                        help="multiplies scripts, lines, references and files")
    parser.add_argument("--lines-scale", type=float, default=1.0,
                        help="multiplies only the lines per script")
    parser.add_argument("--force", action="store_true",
                        help="replace OUTDIR if an earlier run of this generator made it")
    parser.add_argument("--reuse", action="store_true",
                        help="keep OUTDIR when it was made with the same parameters")
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    params = parameters(args)
    outdir = args.outdir
    old = read_manifest(outdir)
    if args.reuse and old is not None and old.get("params") == params \
            and os.path.isdir(outdir):
        print(f"reusing {outdir}: {summary(old['counts'])}")
        return 0
    if os.path.exists(outdir):
        here = os.path.abspath(os.getcwd())
        target = os.path.abspath(outdir)
        if here == target or here.startswith(target.rstrip(os.sep) + os.sep):
            print(f"{outdir} holds the current folder; not replacing it", file=sys.stderr)
            return 2
        if not (args.force or args.reuse):
            print(f"{outdir} exists; use --force to replace it", file=sys.stderr)
            return 2
        if old is None and os.listdir(outdir):
            print(f"{outdir} was not made by this generator; not removing it",
                  file=sys.stderr)
            return 2
        shutil.rmtree(outdir)
    if os.path.exists(manifest_path(outdir)):
        os.remove(manifest_path(outdir))
    try:
        share = NUMBERED_IMAGE_FILE_SHARE if params["names"] == "numbered" else IMAGE_FILE_SHARE
        plan = Plan(params["scripts"], params["lines"], params["refs"], params["files"],
                    share, params["jumps"], params["macros"], params["macro_calls"],
                    params["sound_folders"])
    except ValueError as error:
        print(f"bad parameters: {error}", file=sys.stderr)
        return 2
    counts = generate(outdir, plan, params["seed"], params["names"])
    with open(manifest_path(outdir), "w", encoding="utf-8") as f:
        json.dump({"params": params, "counts": counts}, f, indent=1, sort_keys=True)
        f.write("\n")
    print(f"generated {outdir}: {summary(counts)}")
    return 0


def summary(counts):
    return (f"{counts['scripts']} scripts, {counts['lines']} lines "
            f"({counts['script_bytes'] / 1e6:.1f} MB), {counts['refs']} references "
            f"({counts['refs_hint']} hinted, {counts['refs_search']} searched, "
            f"{counts['refs_missing']} missing), {counts['jumps']} jumps "
            f"({counts['jumps_broken']} broken), {counts.get('macro_calls', 0)} calls of "
            f"{counts.get('macros', 0)} macros, {counts['files']} files "
            f"in {counts['folders']} folders")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
