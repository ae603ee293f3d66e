#include "logfile/line_queue.hpp"

#include <utility>

namespace corvald::logfile {

bool LineQueue::try_push(std::string line) {
  {
    std::lock_guard lock(mutex_);
    if (closed_ || lines_.size() >= capacity_) return false;
    lines_.push_back(std::move(line));
    ++unfinished_;
  }
  line_ready_.notify_one();
  return true;
}

std::optional<std::string> LineQueue::pop() {
  std::unique_lock lock(mutex_);
  line_ready_.wait(lock, [this] { return !lines_.empty() || closed_; });
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

void LineQueue::mark_done() {
  bool idle = false;
  {
    std::lock_guard lock(mutex_);
    if (unfinished_ > 0) --unfinished_;
    idle = unfinished_ == 0;
  }
  if (idle) idle_.notify_all();
}

void LineQueue::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  line_ready_.notify_all();
}

void LineQueue::close_and_discard() {
  std::deque<std::string> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(lines_);
    unfinished_ = 0;
  }
  line_ready_.notify_all();
  idle_.notify_all();
}

void LineQueue::wait_until_idle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return unfinished_ == 0; });
}

}  // namespace corvald::logfile
