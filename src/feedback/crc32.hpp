// CRC-32 as zip archives carry it (reflected polynomial 0xEDB88320).
#pragma once

#include <cstdint>
#include <string_view>

namespace corvald::feedback {

// Initial value 0xFFFFFFFF and final complement; "123456789" gives 0xCBF43926.
std::uint32_t crc32(std::string_view bytes);

}  // namespace corvald::feedback
