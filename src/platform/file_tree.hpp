// Removing folder trees without ever following a symbolic link or a junction: a link is
// removed as a link and whatever it points to stays untouched. std::filesystem is no help
// here on Windows, where libstdc++ reads links through to their targets.
#pragma once

#include "base/result.hpp"
#include "text/path.hpp"

namespace corvald::platform {

enum class EntryKind {
  missing,
  file,
  directory,
  // A symbolic link or junction that stands for a folder; its target is never touched.
  directory_link,
  // Any other link, including one whose target is gone.
  other_link,
};

// The entry's own kind; a link is reported as a link, never as what it points to.
EntryKind entry_kind(const Path& path);

// Creates the folder unless a plain one already stands there. A link, junction or other
// reparse point in its place is refused with an io error naming the path: whatever is written
// below it would land wherever it points. So is a file.
Result<void> create_folder_refusing_links(const Path& path);

// Makes `base` as any folder is made (it is the user's to place, links and all), then every
// folder from there down to `folder` with create_folder_refusing_links: those are the
// program's own, and whatever it writes into them must land there. A `folder` that does not
// lie below `base` is made refusing links alone.
Result<void> create_own_folders(const Path& base, const Path& folder);

// Removes a file, an empty folder or a link itself; false when nothing was removed.
bool remove_entry(const Path& path);

// Removes a folder with everything in it, removing links inside as links. Failures are
// skipped so that as much as possible goes; a link given as `path` is removed as a link.
void remove_tree(const Path& path);

}  // namespace corvald::platform
