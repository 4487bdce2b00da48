// Reading a script (its status, its bytes, its encoding, every line checked and made
// UTF-8, the trace line the log gives each line, the references in it) does not
// depend on what the lookups find, and it is a third of a run's work. A feed does it
// ahead of the scan, on a thread of its own when asked, and hands the scan script after
// script in the order given, as if the scan had read them itself. Memory stays a few
// pieces of lines, however long the scripts.
#pragma once

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/tag_census.h"
#include "script/script_loads.h"
#include "script/script_patterns.h"
#include "text/script_reader.h"

// What the feed learnt of a script before its lines.
struct FedScript {
  std::exception_ptr statusError;  // reading the status failed for a reason but absence
  std::filesystem::file_status status;
  bool opened = false;  // a regular file, opened for reading
  bool hadByteOrderMark = false;
  ScriptEncoding encoding = ScriptEncoding::utf8;  // as the mark, if any, says
};

struct FedLine {
  std::string_view utf8;  // as ScriptLine says
  std::string_view trace;  // "[DEBUG] 行変換成功: <name> 行 <n> (<excerpt>) \n", CP932
  std::string_view lineDigits;  // <n>, counting from 1
  bool replacedInvalid = false;
  bool decidedShiftJis = false;
  bool comment = false;  // a line the game never reads: its references are not checked
  std::vector<FoundReference> references;      // the image references, in order
  std::optional<std::string_view> folderHint;  // shared by them, when they have one
  std::vector<FoundLoad> loads;  // its jumps, sounds and videos; none on a comment line
};

struct FedScriptSource {
  std::string cp932Name;                      // as the trace lines show it
  std::optional<std::filesystem::path> path;  // none: a name that names nothing
  // The script's bytes when they were read already (its status is still asked).
  std::shared_ptr<const std::string> bytes = {};
  // The lines of its macro bodies, as [first, last] pairs in order, counting from 1.
  std::vector<std::pair<int, int>> macroBodies = {};
};

// What a feed finds in the lines it reads. The tables the rules point to must stay
// unchanged while the feed lives.
struct FeedSettings {
  ReadingRules rules;  // for image references
  LoadRules loads;     // for jumps, sounds and videos
  bool images = true;  // false: no image references are looked for
  ScriptEncodingChoice encoding = ScriptEncodingChoice::automatic;
  // The values of tags the rules do not know are counted into it as the lines are
  // read (see takeTagCensus).
  std::optional<TagCensus> census = std::nullopt;
};

class ScriptFeed;
struct ScriptFeedCloser {
  // Asks a feed thread to stop and waits for it: no longer than one piece of lines.
  void operator()(ScriptFeed* feed) const;
};
using ScriptFeedHandle = std::unique_ptr<ScriptFeed, ScriptFeedCloser>;

// Starts reading `scripts`; with `onThread`, ahead of the caller on a second thread,
// otherwise piece by piece inside the calls below, as `settings` say.
ScriptFeedHandle startScriptFeed(std::vector<FedScriptSource> scripts, bool onThread,
                                 FeedSettings settings = {});

// The next script. Call once for each script, in order, and read its lines (all of
// them, when it was opened) before asking for the next.
FedScript nextFedScript(ScriptFeed& feed);

// Sets `line` to the next line of the current script, valid until the next call;
// false at the script's end. Errors of the reading (other than a failed read, which
// ends a script) are thrown here, where the caller would have met them.
bool nextFedLine(ScriptFeed& feed, FedLine& line);

// The census of every script's lines, once all were read; waits for the feed's thread
// to end. Empty when the feed was started without one.
TagCensus takeTagCensus(ScriptFeed& feed);

// Once nextFedLine gave false for the current script: doubtsShiftJis of it
// (text/script_reader.h).
bool fedScriptDoubtsShiftJis(const ScriptFeed& feed);
