// The release the server offers: the installer file found in the release folder, with the
// size and SHA-512 that the generated feed announces, measured once at start-up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outcome.hpp"

namespace corvald::devserver {

struct Release {
  std::filesystem::path file;
  std::string file_name;
  std::uint64_t size = 0;
  std::string sha512_base64;
  std::string version;
  std::optional<std::string> date;
};

Outcome<Release> load_release(const std::filesystem::path& dir, const std::string& version,
                              const std::optional<std::string>& date);

// The one file of the folder, or among several the one whose name ends in ".exe" (any case).
Outcome<std::string> pick_release_file(const std::vector<std::string>& names);

std::string sha512_base64(std::string_view bytes);
// flip_first_byte hashes the file as if its first byte were inverted (see WrongDigest).
Outcome<std::string> sha512_base64_of_file(const std::filesystem::path& file,
                                           bool flip_first_byte = false);

}  // namespace corvald::devserver
