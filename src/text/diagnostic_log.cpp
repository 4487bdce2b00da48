#include "text/diagnostic_log.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <streambuf>
#include <system_error>
#include <thread>
#include <vector>

#include "text/log_conversion.h"
#include "text/path_text.h"
#include "text/text_mode.h"

namespace {

// The log takes a line for every script line read: large writes, not many small.
constexpr std::size_t kBufferBytes = 1 << 20;
// What goes to the converting thread at a time, and how many such pieces may wait
// for it; more and the run waits instead, so memory stays the same however large
// the log grows.
constexpr std::size_t kPieceBytes = 256 * 1024;
constexpr std::size_t kMostWaiting = 2;

// Hands the text written to it to the converting thread a piece at a time.
class PieceBuffer : public std::streambuf {
 public:
  PieceBuffer(std::mutex& mutex, std::condition_variable& changed,
              std::deque<std::string>& waiting, std::vector<std::string>& spare)
      : mutex_(mutex), changed_(changed), waiting_(waiting), spare_(spare) {
    startPiece();
  }

  // Hands over what is written so far; called once more at the end.
  void handOver() {
    piece_.resize(static_cast<std::size_t>(pptr() - pbase()));
    if (!piece_.empty()) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return waiting_.size() < kMostWaiting; });
      waiting_.push_back(std::move(piece_));
      if (!spare_.empty()) {
        piece_ = std::move(spare_.back());
        spare_.pop_back();
      }
      changed_.notify_all();
    }
    startPiece();
  }

 protected:
  int_type overflow(int_type c) override {
    handOver();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

 private:
  void startPiece() {
    piece_.resize(kPieceBytes);
    setp(piece_.data(), piece_.data() + piece_.size());
  }

  std::mutex& mutex_;
  std::condition_variable& changed_;
  std::deque<std::string>& waiting_;
  std::vector<std::string>& spare_;
  std::string piece_;
};

}  // namespace

struct DiagnosticLog {
  DiagnosticLog(const std::string& tempLogPath, const std::string& finalLogPath)
      : tempLogPath(tempLogPath), finalLogPath(finalLogPath) {}

  std::string tempLogPath;
  std::string finalLogPath;
  bool closed = false;

  // One thread: a file stream, converted at the end.
  std::vector<char> buffer;
  std::ofstream file;

  // Two threads: pieces go to the converting thread.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> waiting;
  std::vector<std::string> spare;
  bool ended = false;
  std::unique_ptr<PieceBuffer> pieces;
  std::unique_ptr<std::ostream> stream;
  std::thread converter;
  FinalLog finalLog;
  bool converted = false;  // the final log holds everything, written without error
};

namespace {

// The converting thread: each piece goes to the temporary log as it always did, and
// its conversion into the final log, after what an earlier run left in the
// temporary log.
void convertPieces(DiagnosticLog& log, std::ofstream temp, std::ifstream earlier) {
  bool ok = startFinalLog(log.finalLog);
  // A final log that cannot be written (a full disk) is given up at once, and the
  // room it took given back: written during the run, it must not take the room the
  // temporary log and the report need, which a conversion at the end would not.
  const auto stillWriting = [&] {
    if (ok && !log.finalLog.file.good()) {
      abandonFinalLog(log.finalLog);
      ok = false;
    }
    return ok;
  };
  std::vector<char> read(kPieceBytes);
  while (stillWriting() && earlier) {
    earlier.read(read.data(), static_cast<std::streamsize>(read.size()));
    appendToFinalLog(
        log.finalLog,
        std::string_view(read.data(), static_cast<std::size_t>(earlier.gcount())), false);
  }
  ok = stillWriting() && !earlier.bad();
  earlier.close();
  std::string asWritten;  // what text mode makes of a piece in the file
  while (true) {
    std::string piece;
    {
      std::unique_lock lock(log.mutex);
      log.changed.wait(lock, [&] { return !log.waiting.empty() || log.ended; });
      if (log.waiting.empty()) break;
      piece = std::move(log.waiting.front());
      log.waiting.pop_front();
      log.changed.notify_all();
    }
    temp.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (ok) {
      appendToFinalLog(log.finalLog, asTextMode(piece, asWritten), false);
      stillWriting();
    }
    std::lock_guard lock(log.mutex);
    log.spare.push_back(std::move(piece));
  }
  temp.close();
  if (ok) appendToFinalLog(log.finalLog, "", true);
  log.converted = stillWriting() && temp;
}

// Whether the disk holding the logs has room to spare for writing the final log
// during the run: written then, it takes room the temporary log and the report may
// need, where a conversion at the end would take it only after them. Short of room,
// the log is converted at the end as with one thread.
bool roomToConvertAlong(const std::string& tempLogPath) {
  constexpr std::uintmax_t kSpareBytes = std::uintmax_t{1} << 30;
  const auto path = pathFromCp932(tempLogPath);
  if (!path) return false;
  std::error_code error;
  const std::uintmax_t earlier = std::filesystem::exists(*path, error)
                                     ? std::filesystem::file_size(*path, error)
                                     : 0;
  if (error) return false;
  const std::filesystem::space_info space = std::filesystem::space(
      std::filesystem::absolute(*path, error).parent_path(), error);
  return !error && space.available >= kSpareBytes + 2 * earlier;
}

void startConverting(DiagnosticLog& log, std::ofstream temp) {
  const std::string& tempLogPath = log.tempLogPath;
  std::ifstream earlier(tempLogPath, std::ios::in | std::ios::binary);
  log.finalLog.path = pathFromCp932(log.finalLogPath).value_or(std::filesystem::path());
  log.pieces =
      std::make_unique<PieceBuffer>(log.mutex, log.changed, log.waiting, log.spare);
  log.stream = std::make_unique<std::ostream>(log.pieces.get());
  log.converter =
      std::thread(convertPieces, std::ref(log), std::move(temp), std::move(earlier));
}

}  // namespace

DiagnosticLogHandle openDiagnosticLog(const std::string& tempLogPath,
                                      const std::string& finalLogPath,
                                      bool convertAlongTheWay) {
  DiagnosticLogHandle log(new DiagnosticLog(tempLogPath, finalLogPath));
  // Appending continues the log of an earlier run whose conversion failed, so it is
  // converted with this one instead of being lost.
  if (!convertAlongTheWay || !roomToConvertAlong(tempLogPath)) {
    log->buffer.resize(kBufferBytes);
    log->file.rdbuf()->pubsetbuf(log->buffer.data(),
                                 static_cast<std::streamsize>(log->buffer.size()));
    log->file.open(tempLogPath, std::ios::out | std::ios::app);
  } else {
    std::ofstream temp(tempLogPath, std::ios::out | std::ios::app);
    if (temp.is_open()) startConverting(*log, std::move(temp));
  }
  if (!log->file.is_open() && !log->stream) {
    log->closed = true;  // nothing was opened, so nothing is converted
    return nullptr;
  }
  return log;
}

std::ostream& logStream(DiagnosticLog& log) {
  return log.stream ? *log.stream : static_cast<std::ostream&>(log.file);
}

void closeDiagnosticLog(DiagnosticLog& log) {
  if (log.closed) return;
  log.closed = true;
  if (!log.stream) {
    log.file.close();
    convertLogToUtf8(log.tempLogPath, log.finalLogPath, log.file);
    return;
  }
  log.pieces->handOver();
  {
    std::lock_guard lock(log.mutex);
    log.ended = true;
    log.changed.notify_all();
  }
  log.converter.join();
  // Closed, as a closed file stream: the conversion's own lines go nowhere.
  log.stream->setstate(std::ios::badbit);
  if (log.converted) {
    completeFinalLog(log.finalLog, log.tempLogPath, log.finalLogPath, *log.stream);
  } else {
    log.finalLog.file.close();
    convertLogToUtf8(log.tempLogPath, log.finalLogPath, *log.stream);
  }
}

void DiagnosticLogCloser::operator()(DiagnosticLog* log) const {
  closeDiagnosticLog(*log);
  delete log;
}
