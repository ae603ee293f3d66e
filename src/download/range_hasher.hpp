// SHA-512 of the temporary file taken while the parallel transfer is still filling it, so that
// verification need not read the whole file again after its last byte.
//
// A thread of its own reads the file back in order through a 1 MiB buffer, as far as the
// contiguous run of completed ranges from byte 0 reaches; ranges that complete out of order
// wait until the ranges before them are in. A range counts once fetch_range has returned for
// it, that is once all its bytes are written; bytes a server sends beyond a range are never
// written, so never read.
//
// The bytes it reads stay as they were read until the transfer ends; nothing can change a
// range after it was hashed:
// - in the engine, every range is taken from the queue by one worker only, and fetch_range
//   writes only the bytes of that range not yet written (a retry resumes after them); the
//   probe and the workers are done before the last range is reported, and the fallback,
//   which writes the file anew from byte 0, hashes its own stream instead;
// - outside it, the attempt writes through one handle that shares read alone
//   (File::create_truncate_held), open from before the first byte until after finish(), so no
//   other handle, of this process or another, can be opened to write the file meanwhile.
// Verification then checks the size through a handle held the same way and compares this
// digest; the installer step still reads the whole file once more, held, before it runs it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/result.hpp"
#include "download/transfer.hpp"
#include "platform/file.hpp"
#include "text/path.hpp"
#include "verify/file_digest.hpp"

namespace corvald::download {

class RangeHasher {
 public:
  // Opens a read handle of its own on `temp`, which already has its full size, and starts the
  // thread.
  static Result<std::unique_ptr<RangeHasher>> start(const Path& temp);
  // Stops the thread without a digest, as when the transfer failed or was cancelled.
  ~RangeHasher();
  RangeHasher(const RangeHasher&) = delete;
  RangeHasher& operator=(const RangeHasher&) = delete;

  // Every byte of `range` is in the file. Callable from any thread.
  void range_done(ByteRange range);
  // After the last range_done: hashes what is left and gives the digest in the feed's form,
  // or the error that stopped the reading. Ranges that leave a gap give the digest of the
  // bytes before it, which verification then refuses.
  Result<std::string> finish();

 private:
  explicit RangeHasher(platform::File file);
  void run();
  std::optional<ByteRange> next_range();
  Result<void> hash_range(ByteRange range, char* buffer);

  platform::File file_;

  // Guards done_, finishing_ and stopping_. Held only to note or take a range, never across a
  // read of the file.
  std::mutex mutex_;
  std::condition_variable changed_;
  // Completed ranges not hashed yet, by their first byte.
  std::map<std::uint64_t, std::uint64_t> done_;
  bool finishing_ = false;
  bool stopping_ = false;

  // The thread's own until it is joined; read by finish() after the join.
  std::uint64_t hashed_ = 0;
  std::optional<StubError> error_;
  verify::Sha512Stream sha_;

  std::thread thread_;
};

}  // namespace corvald::download
