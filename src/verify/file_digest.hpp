// SHA-512 of a file in the feed's form: standard base64 of the 64-byte digest (88 characters).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.hpp"
#include "platform/file.hpp"
#include "text/path.hpp"

namespace corvald::verify {

// SHA-512 fed piece by piece, for digests taken while the bytes are still arriving.
class Sha512Stream {
 public:
  Sha512Stream();
  ~Sha512Stream();
  Sha512Stream(Sha512Stream&&) noexcept;
  Sha512Stream& operator=(Sha512Stream&&) noexcept;

  void update(const char* data, std::size_t size);
  // The digest of everything fed so far, in the feed's form; ends the stream.
  std::string finish_base64();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

Result<std::string> sha512_base64_of_file(const Path& path);
// Reads an open file from its current position to its end.
Result<std::string> sha512_base64_of(platform::File& file);
std::string base64_encode(std::string_view bytes);

}  // namespace corvald::verify
