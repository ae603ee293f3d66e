#include "feedback/zip_writer.hpp"

#include <limits>

#include "feedback/crc32.hpp"

namespace corvald::feedback {
namespace {

constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
constexpr std::uint16_t kVersion = 20;

void put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

struct Written {
  std::uint32_t crc;
  std::uint32_t offset;
};

// An archive the plain zip format cannot describe: refused whole, never written wrong.
StubError zip_failure(std::string_view why) {
  return StubError::internal("zip: " + std::string(why));
}

}  // namespace

DosStamp dos_stamp(std::chrono::system_clock::time_point at) {
  using namespace std::chrono;
  auto secs = floor<seconds>(at).time_since_epoch().count();
  if (secs < 0) secs = 0;
  const sys_seconds t{seconds{secs}};
  const auto day = floor<days>(t);
  const year_month_day date(day);
  const hh_mm_ss<seconds> tod(t - day);
  const int y = int(date.year());
  const unsigned year_field = y < 1980 ? 0U : (y > 2107 ? 127U : unsigned(y - 1980));
  DosStamp stamp;
  stamp.time = static_cast<std::uint16_t>(
      (tod.seconds().count() / 2) | (tod.minutes().count() << 5) | (tod.hours().count() << 11));
  stamp.date = static_cast<std::uint16_t>(unsigned(date.day()) | (unsigned(date.month()) << 5) |
                                          (year_field << 9));
  return stamp;
}

Result<std::string> write_zip(const std::vector<BundleEntry>& entries, DosStamp stamp) {
  // The end record counts entries in 16 bits; a wrapped count would make an archive that
  // readers misparse, so refuse instead of writing it.
  if (entries.size() > std::numeric_limits<std::uint16_t>::max()) {
    return zip_failure("too many entries for the end record");
  }
  std::uint64_t reserve = 22;
  for (const auto& e : entries) reserve += 76 + e.name.size() + e.data.size();
  std::string out;
  out.reserve(static_cast<std::size_t>(reserve));

  std::vector<Written> written;
  written.reserve(entries.size());
  for (const auto& e : entries) {
    if (out.size() >= k4GiB) {
      return zip_failure("entry offset exceeds 4 GiB \xE2\x80\x94 need Zip64");
    }
    const std::uint32_t crc = crc32(e.data);
    if (e.data.size() >= k4GiB) {
      return zip_failure("single entry exceeds 4 GiB \xE2\x80\x94 need Zip64");
    }
    if (e.name.size() > 65535) return zip_failure("filename too long");
    written.push_back({crc, static_cast<std::uint32_t>(out.size())});
    put32(out, 0x04034B50);
    put16(out, kVersion);
    put16(out, 0);  // flags
    put16(out, 0);  // stored
    put16(out, stamp.time);
    put16(out, stamp.date);
    put32(out, crc);
    put32(out, static_cast<std::uint32_t>(e.data.size()));
    put32(out, static_cast<std::uint32_t>(e.data.size()));
    put16(out, static_cast<std::uint16_t>(e.name.size()));
    put16(out, 0);  // extra field length
    out.append(e.name);
    out.append(e.data);
  }
  if (out.size() >= k4GiB) {
    return zip_failure("archive exceeds 4 GiB \xE2\x80\x94 need Zip64");
  }
  const std::size_t cd_offset = out.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    put32(out, 0x02014B50);
    put16(out, kVersion);  // made by: upper byte 0 = MS-DOS attributes
    put16(out, kVersion);
    put16(out, 0);
    put16(out, 0);
    put16(out, stamp.time);
    put16(out, stamp.date);
    put32(out, written[i].crc);
    put32(out, static_cast<std::uint32_t>(e.data.size()));
    put32(out, static_cast<std::uint32_t>(e.data.size()));
    put16(out, static_cast<std::uint16_t>(e.name.size()));
    put16(out, 0);  // extra
    put16(out, 0);  // comment
    put16(out, 0);  // disk number start
    put16(out, 0);  // internal attributes
    put32(out, 0);  // external attributes
    put32(out, written[i].offset);
    out.append(e.name);
  }
  // The central directory may push the end past 4 GiB only by its own size; its offset and
  // size fields are still 32-bit, so check what the end record will carry.
  const std::uint64_t cd_size = out.size() - cd_offset;
  if (cd_size >= k4GiB) {
    return zip_failure("archive exceeds 4 GiB \xE2\x80\x94 need Zip64");
  }
  put32(out, 0x06054B50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<std::uint16_t>(entries.size()));
  put16(out, static_cast<std::uint16_t>(entries.size()));
  put32(out, static_cast<std::uint32_t>(cd_size));
  put32(out, static_cast<std::uint32_t>(cd_offset));
  put16(out, 0);
  return out;
}

}  // namespace corvald::feedback
