#include "ui/icon_file.hpp"

namespace corvald::ui {
namespace {

constexpr std::size_t header_size = 6;
constexpr std::size_t group_entry_size = 14;  // fields, 32-bit size, 16-bit resource id
constexpr std::size_t file_entry_size = 16;   // fields, 32-bit size, 32-bit file offset
constexpr std::size_t fields_size = 8;        // width, height, colours, reserved, planes, bits
constexpr std::uint16_t icon_type = 1;

std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::optional<IconGroupEntry> first_icon_group_entry(std::span<const std::uint8_t> group) {
  if (group.size() < header_size + group_entry_size) return std::nullopt;
  if (u16(group, 0) != 0 || u16(group, 2) != icon_type || u16(group, 4) == 0) return std::nullopt;
  const auto entry = group.subspan(header_size, group_entry_size);
  IconGroupEntry out;
  out.directory_fields.assign(entry.begin(), entry.begin() + fields_size);
  out.resource_id = u16(entry, fields_size + 4);
  return out;
}

std::vector<std::uint8_t> single_image_icon_file(const IconGroupEntry& entry,
                                                 std::span<const std::uint8_t> image) {
  std::vector<std::uint8_t> out;
  out.reserve(header_size + file_entry_size + image.size());
  put_u16(out, 0);
  put_u16(out, icon_type);
  put_u16(out, 1);
  out.insert(out.end(), entry.directory_fields.begin(), entry.directory_fields.end());
  put_u32(out, static_cast<std::uint32_t>(image.size()));
  put_u32(out, static_cast<std::uint32_t>(header_size + file_entry_size));
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace corvald::ui
