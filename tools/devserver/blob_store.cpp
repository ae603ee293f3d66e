#include "blob_store.hpp"

#include <fstream>

namespace corvald::devserver {

std::uint64_t BlobStore::store(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  blobs_.push_back(bytes);
  const std::uint64_t number = blobs_.size();
  if (folder_) {
    std::ofstream out(*folder_ / ("storage-" + std::to_string(number) + ".zip"),
                      std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  return number;
}

std::size_t BlobStore::count() const {
  std::lock_guard lock(mutex_);
  return blobs_.size();
}

}  // namespace corvald::devserver
