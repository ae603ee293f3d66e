#include "release.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <system_error>

#include "text_codec.hpp"

namespace corvald::devserver {
namespace {

bool ends_with_exe(const std::string& name) {
  constexpr std::string_view exe = ".exe";
  if (name.size() <= exe.size()) return false;
  return std::equal(exe.begin(), exe.end(), name.end() - exe.size(), [](char a, char b) {
    return a == std::tolower(static_cast<unsigned char>(b));
  });
}

bool has_control_character(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

struct DigestContextFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

DigestContext start_sha512() {
  DigestContext ctx(EVP_MD_CTX_new());
  if (ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha512(), nullptr) != 1) ctx.reset();
  return ctx;
}

std::string finish_base64(EVP_MD_CTX* ctx) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx, digest, &length) != 1) return {};
  return base64_encode(std::string_view(reinterpret_cast<const char*>(digest), length));
}

}  // namespace

Outcome<std::string> pick_release_file(const std::vector<std::string>& names) {
  if (names.size() == 1) return Outcome<std::string>::ok(names.front());
  if (names.empty()) return Outcome<std::string>::fail("the release folder holds no file");
  std::vector<std::string> installers;
  std::copy_if(names.begin(), names.end(), std::back_inserter(installers), ends_with_exe);
  if (installers.size() == 1) return Outcome<std::string>::ok(installers.front());
  return Outcome<std::string>::fail("the release folder holds several files and " +
                                    std::string(installers.empty() ? "none" : "more than one") +
                                    " of them ends in .exe; leave exactly one installer there");
}

std::string sha512_base64(std::string_view bytes) {
  const DigestContext ctx = start_sha512();
  if (!ctx || EVP_DigestUpdate(ctx.get(), bytes.data(), bytes.size()) != 1) return {};
  return finish_base64(ctx.get());
}

Outcome<std::string> sha512_base64_of_file(const std::filesystem::path& file,
                                           bool flip_first_byte) {
  const std::unique_ptr<std::FILE, FileClose> in(std::fopen(file.c_str(), "rb"));
  if (!in) return Outcome<std::string>::fail("cannot open " + file.string());
  const DigestContext ctx = start_sha512();
  if (!ctx) return Outcome<std::string>::fail("OpenSSL has no SHA-512");
  std::vector<char> buffer(1 << 20);
  for (bool first = true;; first = false) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (first && flip_first_byte && got > 0) buffer[0] = static_cast<char>(~buffer[0]);
    if (got > 0 && EVP_DigestUpdate(ctx.get(), buffer.data(), got) != 1) {
      return Outcome<std::string>::fail("SHA-512 failed");
    }
    if (got < buffer.size()) break;
  }
  if (std::ferror(in.get())) return Outcome<std::string>::fail("cannot read " + file.string());
  std::string digest = finish_base64(ctx.get());
  if (digest.empty()) return Outcome<std::string>::fail("SHA-512 failed");
  return Outcome<std::string>::ok(std::move(digest));
}

Outcome<Release> load_release(const std::filesystem::path& dir, const std::string& version,
                              const std::optional<std::string>& date) {
  // A line break in a value would end the YAML scalar early and corrupt the feed.
  if (has_control_character(version) || (date && has_control_character(*date))) {
    return Outcome<Release>::fail("--release-version and --release-date must be one line");
  }
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.is_regular_file(ec)) names.push_back(entry.path().filename().string());
  }
  if (ec) return Outcome<Release>::fail("cannot list " + dir.string() + ": " + ec.message());
  std::sort(names.begin(), names.end());
  auto picked = pick_release_file(names);
  if (!picked) return Outcome<Release>::fail(dir.string() + ": " + picked.error());
  if (has_control_character(picked.value())) {
    return Outcome<Release>::fail("the installer's file name cannot be written in a feed");
  }

  Release release;
  release.file = dir / picked.value();
  release.file_name = picked.value();
  release.version = version;
  release.date = date;
  release.size = std::filesystem::file_size(release.file, ec);
  if (ec) return Outcome<Release>::fail("cannot size " + release.file.string());
  auto digest = sha512_base64_of_file(release.file);
  if (!digest) return Outcome<Release>::fail(digest.error());
  release.sha512_base64 = std::move(digest.value());
  return Outcome<Release>::ok(std::move(release));
}

}  // namespace corvald::devserver
