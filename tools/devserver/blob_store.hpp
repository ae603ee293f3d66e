// The stand-in for cloud storage behind the feedback upload: blobs PUT to /storage/ are kept
// in memory and written as storage-<n>.zip next to the record file, so a test running under
// Wine can open what the stub uploaded without a second protocol.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace corvald::devserver {

class BlobStore {
 public:
  explicit BlobStore(std::optional<std::filesystem::path> folder) : folder_(std::move(folder)) {}

  // Returns the blob's number (1 for the first). A file that cannot be written is not an
  // error: the memory copy is kept and the upload still succeeds for the stub.
  std::uint64_t store(const std::string& bytes);
  std::size_t count() const;

 private:
  const std::optional<std::filesystem::path> folder_;
  // Guards blobs_; the file is written under it so numbers and files match.
  mutable std::mutex mutex_;
  std::vector<std::string> blobs_;
};

}  // namespace corvald::devserver
