#include "download/range_hasher.hpp"

#include <algorithm>
#include <system_error>

#include "text/format.hpp"

namespace corvald::download {
namespace {

constexpr std::uint32_t kHashBlock = 1u << 20;

}  // namespace

Result<std::unique_ptr<RangeHasher>> RangeHasher::start(const Path& temp) {
  auto file = platform::File::open_for_read(temp);
  if (!file) return std::move(file).error();
  std::unique_ptr<RangeHasher> hasher(new RangeHasher(std::move(file).value()));
  try {
    hasher->thread_ = std::thread(&RangeHasher::run, hasher.get());
  } catch (const std::system_error& error) {
    return StubError::system_failure(
        text::format("could not start the download hasher: {}", std::string(error.what())),
        static_cast<std::uint32_t>(error.code().value()));
  }
  return hasher;
}

RangeHasher::RangeHasher(platform::File file) : file_(std::move(file)) {}

RangeHasher::~RangeHasher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void RangeHasher::range_done(ByteRange range) {
  {
    std::lock_guard lock(mutex_);
    done_.emplace(range.first, range.last);
  }
  changed_.notify_all();
}

Result<std::string> RangeHasher::finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (error_) return *error_;
  return sha_.finish_base64();
}

// The range that begins where the hash stands, once it is there; nothing when the hasher is
// stopped, or finished with no such range left.
std::optional<ByteRange> RangeHasher::next_range() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_) return std::nullopt;
    const auto next = done_.begin();
    if (next != done_.end() && next->first == hashed_) {
      const ByteRange range{next->first, next->second};
      done_.erase(next);
      return range;
    }
    if (finishing_) return std::nullopt;
    changed_.wait(lock);
  }
}

void RangeHasher::run() {
  // On the heap: a 1 MiB array would not fit every thread's stack.
  const auto buffer = std::make_unique<char[]>(kHashBlock);
  while (const auto range = next_range()) {
    if (auto hashed = hash_range(*range, buffer.get()); !hashed) {
      error_ = hashed.error();
      return;
    }
  }
}

// The file is read strictly in order from byte 0, so the handle's own position is always the
// first byte of the range.
Result<void> RangeHasher::hash_range(ByteRange range, char* buffer) {
  std::uint64_t left = range.last - range.first + 1;
  while (left > 0) {
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kHashBlock));
    auto got = file_.read(buffer, want);
    if (!got) return std::move(got).error();
    if (*got == 0) {
      return StubError::internal(
          text::format("the temporary file ended at byte {} while hashing it", hashed_));
    }
    sha_.update(buffer, *got);
    hashed_ += *got;
    left -= *got;
  }
  return Ok{};
}

}  // namespace corvald::download
