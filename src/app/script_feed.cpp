#include "app/script_feed.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "script/comment_lines.h"
#include "script/script_patterns.h"
#include "text/conversions.h"
#include "text/cp932_literal.h"
#include "text/memory_input.h"

namespace fs = std::filesystem;

namespace {

// A piece of lines of one script; a script takes one piece or more. Pieces of this
// size keep the hand-overs between threads rare and the memory small.
constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::size_t kPiecesAhead = 8;

struct Span {
  std::size_t begin, length;  // in the line
};

// A stretch of the line, or text that outlives the feed (a layout's table, the
// project's macros).
struct TextEntry {
  Span span;            // in the line, or the length of `outside`
  const char* outside;  // null: in the line
};

// A reference: its text, where it loads from and how it was made.
struct ReferenceEntry {
  TextEntry text;
  LoadFrom from;
  TextEntry folder;
  std::size_t column;
  Span macro;  // in the line
};

// A jump, sound or video: FoundLoad with its texts placed.
struct LoadEntry {
  TextEntry storage, target, folder, inScript;
  std::size_t storageColumn, targetColumn;
  Span macro;  // in the line
  LoadKind kind;
  bool fixed;
};

// A line takes its UTF-8 text and then its trace line in Piece::text, its references
// in Piece::references, its loads in Piece::loads, and its folder hint, if it has
// one, in Piece::spans. Kept small: a piece holds some thousand lines, written once
// and read once.
struct LineEntry {
  std::size_t utf8Length;
  std::uint32_t traceLength;  // a name and some hundred bytes
  std::uint32_t references;
  std::uint32_t loads;
  std::uint8_t digitsLength;  // of the line number in the trace line
  bool hasFolderHint, replacedInvalid, decidedShiftJis, comment;
};

struct Piece {
  bool startsScript = false;
  FedScript script;  // when it starts one
  bool endsScript = false;
  bool doubtsShiftJis = false;      // when it ends one
  std::size_t traceHeadLength = 0;  // where the line number starts in a trace line
  std::string text;
  std::vector<LineEntry> lines;
  std::vector<Span> spans;
  std::vector<ReferenceEntry> references;
  std::vector<LoadEntry> loads;
  std::exception_ptr failure;  // the reading failed here; nothing follows
};

// Adds one to the decimal number that `text` ends with from `from` on: cheaper than
// formatting the number anew.
void countUp(std::string& text, std::size_t from) {
  for (std::size_t at = text.size(); at > from; --at) {
    char& digit = text[at - 1];
    if (digit != '9') {
      ++digit;
      return;
    }
    digit = '0';
  }
  text.insert(text.begin() + static_cast<std::ptrdiff_t>(from), '1');
}

// Reads the scripts one piece at a time, on whichever thread calls it.
struct Reader {
  std::vector<FedScriptSource> scripts;
  ReadingRules rules;
  LoadRules loadRules;
  bool images = true;
  CommentState comments;  // of the open script
  std::size_t next = 0;   // the script to start
  bool inScript = false;
  std::ifstream file;
  std::optional<MemoryInput> memory;  // instead of `file`, for bytes read already
  int lineNumber = 0;                 // of the open script's last line
  std::size_t nextBody = 0;           // the first of its macro bodies not yet passed
  ScriptReader reader;
  // "[DEBUG] 行変換成功: <name> 行 <n>" of the open script and the line to add.
  std::string traceHead;
  std::size_t traceHeadLength = 0;  // up to <n>

  // Fills `piece` with what comes next; false when every script was read.
  bool fill(Piece& piece);
  void startNextScript(Piece& piece);
  void addLine(const ScriptLine& line, Piece& piece);

  std::vector<FoundReference> references;  // of the line being added
  LineTags tags;                           // of the line being added
  std::optional<TagCensus> census;
  std::vector<FoundLoad> loads;  // of the line being added
};

void Reader::startNextScript(Piece& piece) {
  const FedScriptSource& source = scripts[next++];
  piece.startsScript = true;
  FedScript& script = piece.script;
  try {
    script.status = source.path ? fs::status(*source.path)
                                : fs::file_status(fs::file_type::not_found);
  } catch (...) {
    script.statusError = std::current_exception();
  }
  // Only a regular file has lines to read: a folder opens like a file on some
  // systems, and opening a named pipe would wait for a writer for ever.
  if (!script.statusError && fs::is_regular_file(script.status)) {
    if (source.bytes) {
      memory.emplace(*source.bytes);
      script.opened = true;
    } else {
      file.open(*source.path, std::ios::in | std::ios::binary);
      script.opened = file.is_open();
    }
  }
  if (!script.opened) {
    piece.endsScript = true;
    return;
  }
  script.hadByteOrderMark =
      startScript(reader, memory ? static_cast<std::istream&>(*memory) : file);
  script.encoding = reader.encoding;
  inScript = true;
  comments = {};
  lineNumber = 0;
  nextBody = 0;
  traceHead = "[DEBUG] 行変換成功: "_sj;
  traceHead += source.cp932Name;
  traceHead += " 行 "_sj;
  traceHeadLength = traceHead.size();
  traceHead += '0';
}

void Reader::addLine(const ScriptLine& line, Piece& piece) {
  std::string& text = piece.text;
  LineEntry& entry = piece.lines.emplace_back();
  entry.utf8Length = line.utf8.size();
  entry.replacedInvalid = line.replacedInvalid;
  entry.decidedShiftJis = line.decidedShiftJis;
  text += line.utf8;

  entry.comment = isCommentLine(line.utf8, comments);

  ++lineNumber;
  const auto& bodies = scripts[next - 1].macroBodies;
  while (nextBody < bodies.size() && bodies[nextBody].second < lineNumber) ++nextBody;
  const bool inMacroBody =
      nextBody < bodies.size() && bodies[nextBody].first <= lineNumber;

  references.clear();
  const bool mayHoldReferences = images && mayHoldReference(line.utf8, rules);
  const bool counted = census && !entry.comment;
  const bool tagsRead = mayHoldReferences || counted;
  if (tagsRead) {
    tags.tags.clear();
    tags.attributes.clear();
    if (mayHoldTag(line.utf8)) readLineTags(line.utf8, tags);
  }
  if (mayHoldReferences) findReferences(line.utf8, tags, rules, references, inMacroBody);
  if (counted) countUnknownTags(*census, tags, rules);
  loads.clear();
  if (!entry.comment && looksForLoads(loadRules)) {
    if (tagsRead) {
      findLoads(line.utf8, tags, loadRules, loads, inMacroBody);
    } else {
      findLoads(line.utf8, loadRules, loads, inMacroBody);
    }
  }
  const auto spanOf = [&](std::string_view part) {
    return Span{static_cast<std::size_t>(part.data() - line.utf8.data()), part.size()};
  };
  const auto textOf = [&](std::string_view part) {
    const bool inLine = part.data() >= line.utf8.data() &&
                        part.data() <= line.utf8.data() + line.utf8.size();
    return inLine ? TextEntry{spanOf(part), nullptr}
                  : TextEntry{Span{0, part.size()}, part.data()};
  };
  for (const FoundReference& reference : references) {
    piece.references.push_back(
        {textOf(reference.text), reference.place.from, textOf(reference.place.folder),
         reference.column,
         reference.macro.empty() ? Span{0, 0} : spanOf(reference.macro)});
  }
  entry.references = static_cast<std::uint32_t>(references.size());
  for (const FoundLoad& load : loads) {
    piece.loads.push_back({textOf(load.storage), textOf(load.target), textOf(load.folder),
                           textOf(load.inScript), load.storageColumn, load.targetColumn,
                           load.macro.empty() ? Span{0, 0} : spanOf(load.macro),
                           load.kind, load.fixed});
  }
  entry.loads = static_cast<std::uint32_t>(loads.size());
  entry.hasFolderHint = false;
  if (!references.empty() && !entry.comment) {
    if (const auto hint = folderHintOf(line.utf8)) {
      piece.spans.push_back(spanOf(*hint));
      entry.hasFolderHint = true;
    }
  }

  const std::size_t traceBegin = text.size();
  countUp(traceHead, traceHeadLength);
  text += traceHead;
  entry.digitsLength = static_cast<std::uint8_t>(traceHead.size() - traceHeadLength);
  text += " (";
  // The excerpt is the first 20 bytes; a character cut there becomes "?".
  constexpr std::size_t kExcerptBytes = 20;
  appendUtf8ToCp932ForLog(line.utf8.substr(0, kExcerptBytes), text);
  text += line.utf8.size() > kExcerptBytes ? "...) \n" : ") \n";
  entry.traceLength = static_cast<std::uint32_t>(text.size() - traceBegin);
}

bool Reader::fill(Piece& piece) {
  piece.startsScript = false;
  piece.script = {};
  piece.endsScript = false;
  piece.doubtsShiftJis = false;
  piece.text.clear();
  piece.lines.clear();
  piece.spans.clear();
  piece.references.clear();
  piece.loads.clear();
  piece.failure = nullptr;
  if (!inScript) {
    if (next == scripts.size()) return false;
    startNextScript(piece);
    if (!inScript) return true;
  }
  piece.traceHeadLength = traceHeadLength;
  ScriptLine line;
  while (piece.text.size() < kPieceBytes) {
    if (!readScriptLine(reader, line)) {
      file.close();
      file.clear();
      memory.reset();
      inScript = false;
      piece.endsScript = true;
      piece.doubtsShiftJis = doubtsShiftJis(reader);
      break;
    }
    addLine(line, piece);
  }
  return true;
}

}  // namespace

class ScriptFeed {
 public:
  ScriptFeed(std::vector<FedScriptSource> scripts, bool onThread, FeedSettings settings) {
    reader_.scripts = std::move(scripts);
    reader_.rules = settings.rules;
    reader_.loadRules = settings.loads;
    reader_.images = settings.images;
    reader_.reader.choice = settings.encoding;
    reader_.census = std::move(settings.census);
    if (onThread) thread_ = std::thread([this] { readAhead(); });
  }

  ~ScriptFeed() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  // The next piece, or null when every script was read.
  const Piece* take() {
    if (!thread_.joinable()) {
      return reader_.fill(current_) ? &current_ : nullptr;
    }
    std::unique_lock lock(mutex_);
    if (taken_) spare_.push_back(std::move(current_));
    taken_ = false;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !ready_.empty() || done_; });
    if (ready_.empty()) return nullptr;
    current_ = std::move(ready_.front());
    ready_.pop_front();
    taken_ = true;
    if (current_.failure) std::rethrow_exception(current_.failure);
    return &current_;
  }

  const Piece* current() const { return &current_; }

  TagCensus takeCensus() {
    if (thread_.joinable()) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
      }
      thread_.join();
    }
    return reader_.census ? std::move(*reader_.census) : TagCensus{};
  }
  // Where the next line of current() is.
  std::size_t nextLine = 0;
  std::size_t nextText = 0;
  std::size_t nextSpan = 0;
  std::size_t nextReference = 0;
  std::size_t nextLoad = 0;

 private:
  void readAhead() {
    while (true) {
      Piece piece;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stop_ || ready_.size() < kPiecesAhead; });
        if (stop_) return;
        if (!spare_.empty()) {
          piece = std::move(spare_.back());
          spare_.pop_back();
        }
      }
      bool more = true;
      try {
        more = reader_.fill(piece);
      } catch (...) {
        piece.failure = std::current_exception();
      }
      const bool last = !more || piece.failure;
      {
        std::lock_guard lock(mutex_);
        if (more) ready_.push_back(std::move(piece));
        done_ = last;
      }
      changed_.notify_all();
      if (last) return;
    }
  }

  Reader reader_;  // the thread's alone while it runs
  Piece current_;  // the caller's
  bool taken_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> ready_;
  std::vector<Piece> spare_;
  bool stop_ = false;
  bool done_ = false;
  std::thread thread_;  // last: started when all else is ready
};

void ScriptFeedCloser::operator()(ScriptFeed* feed) const { delete feed; }

ScriptFeedHandle startScriptFeed(std::vector<FedScriptSource> scripts, bool onThread,
                                 FeedSettings settings) {
  return ScriptFeedHandle(
      new ScriptFeed(std::move(scripts), onThread, std::move(settings)));
}

TagCensus takeTagCensus(ScriptFeed& feed) { return feed.takeCensus(); }

FedScript nextFedScript(ScriptFeed& feed) {
  const Piece* piece = feed.take();
  // Every script gives a first piece; asking past the last one is a caller's error.
  if (piece == nullptr || !piece->startsScript) {
    throw std::logic_error("script feed: no script to start");
  }
  feed.nextLine = feed.nextText = feed.nextSpan = feed.nextReference = feed.nextLoad = 0;
  return piece->script;
}

bool nextFedLine(ScriptFeed& feed, FedLine& line) {
  const Piece* piece = feed.current();
  while (feed.nextLine == piece->lines.size()) {
    if (piece->endsScript) return false;
    piece = feed.take();
    if (piece == nullptr) throw std::logic_error("script feed: a script without its end");
    feed.nextLine = feed.nextText = feed.nextSpan = feed.nextReference = feed.nextLoad =
        0;
  }
  const LineEntry& entry = piece->lines[feed.nextLine++];
  const std::string_view text = piece->text;
  line.utf8 = text.substr(feed.nextText, entry.utf8Length);
  line.trace = text.substr(feed.nextText + entry.utf8Length, entry.traceLength);
  feed.nextText += entry.utf8Length + entry.traceLength;
  line.lineDigits = line.trace.substr(piece->traceHeadLength, entry.digitsLength);
  line.replacedInvalid = entry.replacedInvalid;
  line.decidedShiftJis = entry.decidedShiftJis;
  line.comment = entry.comment;
  line.references.clear();
  const auto viewOf = [&](const Span& span) {
    return line.utf8.substr(span.begin, span.length);
  };
  const auto textOf = [&](const TextEntry& text) {
    return text.outside ? std::string_view(text.outside, text.span.length)
                        : viewOf(text.span);
  };
  for (std::uint32_t i = 0; i < entry.references; ++i) {
    const ReferenceEntry& reference = piece->references[feed.nextReference++];
    line.references.push_back({textOf(reference.text),
                               LoadPlace{reference.from, textOf(reference.folder)},
                               reference.column, viewOf(reference.macro)});
  }
  line.loads.clear();
  for (std::uint32_t i = 0; i < entry.loads; ++i) {
    const LoadEntry& load = piece->loads[feed.nextLoad++];
    FoundLoad& found = line.loads.emplace_back();
    found.kind = load.kind;
    found.storage = textOf(load.storage);
    found.target = textOf(load.target);
    found.folder = textOf(load.folder);
    found.inScript = textOf(load.inScript);
    found.fixed = load.fixed;
    found.storageColumn = load.storageColumn;
    found.targetColumn = load.targetColumn;
    found.macro = viewOf(load.macro);
  }
  line.folderHint.reset();
  if (entry.hasFolderHint) line.folderHint = viewOf(piece->spans[feed.nextSpan++]);
  return true;
}

bool fedScriptDoubtsShiftJis(const ScriptFeed& feed) {
  return feed.current()->doubtsShiftJis;
}
