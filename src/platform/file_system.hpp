// Questions about the file system and the two changes that are not about one file: making
// folders and listing them. Links are reported as they stand; none of these follows one to
// remove or write anything.
#pragma once

#include <cstdint>
#include <vector>

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald::platform {

// Anything at the path: a file, a folder or a link (even one whose target is gone).
bool exists(const Path& path);

// A file, not a folder; a link to a file counts.
bool is_file(const Path& path);

Result<std::uint64_t> file_size(const Path& path);

// Creates the folder and every missing folder above it; success when it stands already.
Result<void> create_folders(const Path& path);

// Creates one folder below an existing one; success when a folder stands there already.
Result<void> create_folder(const Path& path);

// Every entry of the folder but "." and "..", as full paths, in the order the file system
// gives them.
Result<std::vector<Path>> list_folder(const Path& folder);

}  // namespace corvald::platform
