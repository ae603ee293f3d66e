// The bounded hand-over from the logging threads to the writer thread. Offering a line never
// waits for the writer: a full or closed queue drops the line instead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace corvald::logfile {

class LineQueue {
 public:
  static constexpr std::size_t kDefaultCapacity = 8192;

  explicit LineQueue(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // False when the line was dropped because the queue is full or closed.
  bool try_push(std::string line);

  // The oldest line, waiting while there is none; nothing once the queue is closed and empty.
  std::optional<std::string> pop();

  // The writer reports that the line it took last is in the file (or was given up on).
  void mark_done();

  // Refuses further lines; those already queued can still be taken.
  void close();

  // Refuses further lines and drops the queued ones: the writer has ended.
  void close_and_discard();

  // Returns once every accepted line has been marked done or discarded.
  void wait_until_idle();

 private:
  const std::size_t capacity_;

  // Guards every field below. Held only to move a line in or out; never while formatting
  // or writing one.
  std::mutex mutex_;
  std::condition_variable line_ready_;
  std::condition_variable idle_;
  std::deque<std::string> lines_;
  std::size_t unfinished_ = 0;  // accepted lines not yet marked done or discarded
  bool closed_ = false;
};

}  // namespace corvald::logfile
