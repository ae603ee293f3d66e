// Linux tools reached from under Wine: pictures of the test display for people to look at, and
// an archive reader that is not our own.
#pragma once

#include <optional>
#include <string>

namespace corvald::e2e {

// Saves <build>/screenshots/<name>.png of the whole X screen; false when it did not appear.
bool save_screen_png(const std::string& name);

// The entry names of the archive at a Linux path, as unzip lists them, one a line, followed by
// "unzip-test=0" when unzip -t found the archive sound; nothing when unzip could not be run.
std::optional<std::string> unzip_listing(const std::string& unix_zip_path);

}  // namespace corvald::e2e
