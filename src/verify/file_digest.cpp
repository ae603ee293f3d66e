// The low-level SHA-512 calls keep the EVP provider machinery, and with it a good part of
// libcrypto, out of the statically linked Windows program. OpenSSL 3 marks them deprecated;
// they remain supported throughout 3.x.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "verify/file_digest.hpp"

#include <openssl/sha.h>

#include <memory>

namespace corvald::verify {
namespace {

constexpr std::uint32_t kReadBlock = 1u << 20;

}  // namespace

struct Sha512Stream::State {
  SHA512_CTX ctx;
};

Sha512Stream::Sha512Stream() : state_(std::make_unique<State>()) { SHA512_Init(&state_->ctx); }
Sha512Stream::~Sha512Stream() = default;
Sha512Stream::Sha512Stream(Sha512Stream&&) noexcept = default;
Sha512Stream& Sha512Stream::operator=(Sha512Stream&&) noexcept = default;

void Sha512Stream::update(const char* data, std::size_t size) {
  SHA512_Update(&state_->ctx, data, size);
}

std::string Sha512Stream::finish_base64() {
  unsigned char digest[SHA512_DIGEST_LENGTH];
  SHA512_Final(digest, &state_->ctx);
  return base64_encode(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

std::string base64_encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t n = (std::uint32_t(std::uint8_t(bytes[i])) << 16) |
                            (std::uint32_t(std::uint8_t(bytes[i + 1])) << 8) |
                            std::uint32_t(std::uint8_t(bytes[i + 2]));
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.push_back(kAlphabet[(n >> 6) & 63]);
    out.push_back(kAlphabet[n & 63]);
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t n = std::uint32_t(std::uint8_t(bytes[i])) << 16;
    if (rest == 2) n |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
    out.push_back(kAlphabet[(n >> 18) & 63]);
    out.push_back(kAlphabet[(n >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(n >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

Result<std::string> sha512_base64_of_file(const Path& path) {
  auto file = platform::File::open_for_read(path);
  if (!file) return std::move(file).error();
  return sha512_base64_of(*file);
}

Result<std::string> sha512_base64_of(platform::File& file) {
  Sha512Stream sha;
  // On the heap: a 1 MiB array would not fit the stack of every worker thread.
  const auto buffer = std::make_unique<char[]>(kReadBlock);
  for (;;) {
    auto got = file.read(buffer.get(), kReadBlock);
    if (!got) return std::move(got).error();
    if (*got == 0) break;
    sha.update(buffer.get(), *got);
  }
  return sha.finish_base64();
}

}  // namespace corvald::verify
