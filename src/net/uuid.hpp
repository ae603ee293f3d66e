// Random (version 4) UUIDs for the client id, telemetry sessions and feedback reports.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace corvald::net {

// Lower-case, hyphenated 8-4-4-4-12 form, drawn from the operating system's random source:
// the client id outlives the process and must not be guessable from other ids we send.
std::string new_uuid_v4();

// The text of the UUID made from 16 random bytes, after setting the version and variant bits.
std::string uuid_v4_from_bytes(std::array<std::byte, 16> bytes);

}  // namespace corvald::net
