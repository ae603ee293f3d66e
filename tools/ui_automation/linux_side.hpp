// Linux tools reached from under Wine: pictures of the test display for people to look at, and
// an archive reader that is not our own.
#pragma once

#include "platform/windows.hpp"

#include <optional>
#include <string>

namespace corvald::e2e {

// Saves the whole X screen as the PNG file <unix_dir>/<name>.png (a Linux path); false when
// it did not appear.
bool save_screen_png(const std::string& unix_dir, const std::string& name);

// The colour at screen point (x, y) of the picture save_screen_png saved as <unix_dir>/<name>.png,
// as ImageMagick reads it back; nothing when there is no such picture or pixel.
std::optional<COLORREF> screen_png_pixel(const std::string& unix_dir, const std::string& name,
                                         int x, int y);

// The entry names of the archive at a Linux path, as unzip lists them, one a line, followed by
// "unzip-test=0" when unzip -t found the archive sound; nothing when unzip could not be run.
std::optional<std::string> unzip_listing(const std::string& unix_zip_path);

}  // namespace corvald::e2e
