#include "text/inflate.hpp"

#include <array>
#include <cstdint>

namespace corvald::text {
namespace {

constexpr int kMaxBits = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;
constexpr int kEndOfBlock = 256;

// Base and extra bits of the length codes 257..285 and the distance codes 0..29.
constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, kDistanceCodes> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block gives the lengths of the code-length code.
constexpr std::array<std::uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

class BitReader {
 public:
  explicit BitReader(std::span<const unsigned char> in) : in_(in) {}

  // The next `count` bits (at most 16), least significant first; nothing past the end.
  std::optional<unsigned> bits(int count) {
    while (held_ < count) {
      if (next_ == in_.size()) return std::nullopt;
      buffer_ |= static_cast<std::uint32_t>(in_[next_++]) << held_;
      held_ += 8;
    }
    const unsigned value = buffer_ & ((1u << count) - 1);
    buffer_ >>= count;
    held_ -= count;
    return value;
  }

  // Drops the bits up to the next byte boundary, where a stored block's length starts.
  void align() {
    buffer_ >>= held_ % 8;
    held_ -= held_ % 8;
  }

 private:
  std::span<const unsigned char> in_;
  std::size_t next_ = 0;
  std::uint32_t buffer_ = 0;
  int held_ = 0;
};

// A canonical prefix code: how many codes each length has, and the symbols in code order.
struct Code {
  std::array<std::uint16_t, kMaxBits + 1> count{};
  std::array<std::uint16_t, kLiteralCodes> symbol{};
};

// False when the lengths ask for more codes than their lengths allow (an over-subscribed
// code). An incomplete code is taken: the bit patterns it leaves out fail when read.
bool build(Code& code, std::span<const std::uint8_t> lengths) {
  code.count.fill(0);
  for (const std::uint8_t length : lengths) ++code.count[length];
  int left = 1;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = left * 2 - code.count[length];
    if (left < 0) return false;
  }
  std::array<std::uint16_t, kMaxBits + 2> offset{};
  for (int length = 1; length <= kMaxBits; ++length) {
    offset[length + 1] = offset[length] + code.count[length];
  }
  for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    if (lengths[symbol] != 0) {
      code.symbol[offset[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
    }
  }
  return true;
}

// Reads one symbol a bit at a time (the tables are small and read once, so no lookup table).
std::optional<int> decode(BitReader& in, const Code& code) {
  int value = 0;  // the bits read so far, as a code
  int first = 0;  // the first code of the current length
  int index = 0;  // where the symbols of the current length start
  for (int length = 1; length <= kMaxBits; ++length) {
    const auto bit = in.bits(1);
    if (!bit) return std::nullopt;
    value |= static_cast<int>(*bit);
    const int count = code.count[length];
    if (value - first < count) return code.symbol[index + value - first];
    index += count;
    first = (first + count) * 2;
    value *= 2;
  }
  return std::nullopt;
}

class Inflater {
 public:
  Inflater(std::span<const unsigned char> stream, std::size_t size) : in_(stream), size_(size) {
    out_.reserve(size);
  }

  std::optional<std::string> run() {
    for (bool last = false; !last;) {
      const auto final_bit = in_.bits(1);
      const auto type = in_.bits(2);
      if (!final_bit || !type) return std::nullopt;
      last = *final_bit == 1;
      const bool ok = *type == 0 ? stored() : *type == 1 ? fixed() : *type == 2 && dynamic();
      if (!ok) return std::nullopt;
    }
    if (out_.size() != size_) return std::nullopt;
    return std::move(out_);
  }

 private:
  bool stored() {
    in_.align();
    const auto length = in_.bits(16);
    const auto complement = in_.bits(16);
    if (!length || !complement || *length != (~*complement & 0xFFFFu)) return false;
    if (*length > size_ - out_.size()) return false;
    for (unsigned i = 0; i < *length; ++i) {
      const auto byte = in_.bits(8);
      if (!byte) return false;
      out_.push_back(static_cast<char>(*byte));
    }
    return true;
  }

  bool fixed() {
    std::array<std::uint8_t, kLiteralCodes> literal{};
    for (int symbol = 0; symbol < kLiteralCodes; ++symbol) {
      literal[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
    }
    std::array<std::uint8_t, kDistanceCodes> distance{};
    distance.fill(5);
    return build(literal_, literal) && build(distance_, distance) && codes();
  }

  bool dynamic() {
    const auto literals = in_.bits(5);
    const auto distances = in_.bits(5);
    const auto code_lengths = in_.bits(4);
    if (!literals || !distances || !code_lengths) return false;
    const unsigned literal_count = *literals + 257;
    const unsigned distance_count = *distances + 1;
    if (literal_count > 286 || distance_count > kDistanceCodes) return false;

    std::array<std::uint8_t, 19> length_of_length{};
    for (unsigned i = 0; i < *code_lengths + 4; ++i) {
      const auto length = in_.bits(3);
      if (!length) return false;
      length_of_length[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(*length);
    }
    Code length_code;
    if (!build(length_code, length_of_length)) return false;

    std::array<std::uint8_t, 286 + kDistanceCodes> lengths{};
    const unsigned total = literal_count + distance_count;
    for (unsigned at = 0; at < total;) {
      const auto symbol = decode(in_, length_code);
      if (!symbol) return false;
      if (*symbol < 16) {
        lengths[at++] = static_cast<std::uint8_t>(*symbol);
        continue;
      }
      // 16: the previous length 3 to 6 times; 17 and 18: zero 3 to 10 and 11 to 138 times.
      const int extra = *symbol == 16 ? 2 : *symbol == 17 ? 3 : 7;
      const unsigned least = *symbol == 18 ? 11 : 3;
      if (*symbol == 16 && at == 0) return false;
      const std::uint8_t repeated = *symbol == 16 ? lengths[at - 1] : 0;
      const auto times = in_.bits(extra);
      if (!times || *times + least > total - at) return false;
      for (unsigned i = 0; i < *times + least; ++i) lengths[at++] = repeated;
    }
    if (lengths[kEndOfBlock] == 0) return false;  // a block that could never end
    const std::span<const std::uint8_t> all(lengths.data(), total);
    return build(literal_, all.first(literal_count)) &&
           build(distance_, all.subspan(literal_count)) && codes();
  }

  // The compressed data of one block, up to its end-of-block code.
  bool codes() {
    for (;;) {
      const auto symbol = decode(in_, literal_);
      if (!symbol) return false;
      if (*symbol < 256) {
        if (out_.size() == size_) return false;
        out_.push_back(static_cast<char>(*symbol));
        continue;
      }
      if (*symbol == kEndOfBlock) return true;
      const std::size_t length_index = *symbol - 257;
      if (length_index >= kLengthBase.size()) return false;
      const auto length_extra = in_.bits(kLengthExtra[length_index]);
      const auto distance_index = decode(in_, distance_);
      if (!length_extra || !distance_index || *distance_index >= kDistanceCodes) return false;
      const auto distance_extra = in_.bits(kDistanceExtra[*distance_index]);
      if (!distance_extra) return false;
      const std::size_t length = kLengthBase[length_index] + *length_extra;
      const std::size_t distance = kDistanceBase[*distance_index] + *distance_extra;
      if (distance > out_.size() || length > size_ - out_.size()) return false;
      // Byte by byte: a copy may overlap the bytes it is writing.
      for (std::size_t i = 0; i < length; ++i) out_.push_back(out_[out_.size() - distance]);
    }
  }

  BitReader in_;
  std::size_t size_;
  std::string out_;
  Code literal_;
  Code distance_;
};

}  // namespace

std::optional<std::string> inflate_raw(std::span<const unsigned char> stream, std::size_t size) {
  return Inflater(stream, size).run();
}

}  // namespace corvald::text
