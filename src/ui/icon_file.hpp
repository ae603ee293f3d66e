// An icon file holding one image of an icon group resource: the executable keeps the images of
// its icon file as separate resources, and an image decoder wants them in an icon file again.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvald::ui {

struct IconGroupEntry {
  std::uint16_t resource_id = 0;               // of the RT_ICON resource that holds the image
  std::vector<std::uint8_t> directory_fields;  // the 12 bytes before the size: width to bit count
};

// The first entry of a group icon directory; nothing when it is malformed or empty.
std::optional<IconGroupEntry> first_icon_group_entry(std::span<const std::uint8_t> group);

// An icon file with exactly one image: the 6-byte header, one 16-byte entry, the image.
std::vector<std::uint8_t> single_image_icon_file(const IconGroupEntry& entry,
                                                 std::span<const std::uint8_t> image);

}  // namespace corvald::ui
