// Base64 codec. See base64.h.
//
// Both directions work from tables built at compile time. The encoder turns
// each 12-bit half of a 3-byte group into two characters with one lookup in
// an 8 KiB pair table, and reads six input bytes per 8-byte load while eight
// or more remain. The decoder looks up four characters at once in tables that
// already hold each 6-bit value at its bit position; a group that contains
// anything else falls back to checking its characters one by one.
#include "app/base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace Norvell {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Characters 2v and 2v+1 encode the 12-bit value v.
constexpr std::array<char, 8192> makePairTable() {
  std::array<char, 8192> pairs{};
  for (int value = 0; value < 4096; ++value) {
    pairs[2 * value] = kAlphabet[value >> 6];
    pairs[2 * value + 1] = kAlphabet[value & 63];
  }
  return pairs;
}
constexpr std::array<char, 8192> kPairs = makePairTable();

// kDecode[k][c]: the 6-bit value of character c placed where the k-th
// character of a group belongs in the group's 24 bits, or kNotInAlphabet.
// OR-ing the four entries of a group gives its three bytes, or a value with
// bits above 23 set when any character is not in the alphabet ("=" included).
constexpr std::uint32_t kNotInAlphabet = 0xFF000000u;
using DecodeTables = std::array<std::array<std::uint32_t, 256>, 4>;
constexpr DecodeTables makeDecodeTables() {
  DecodeTables tables{};
  for (auto& table : tables) table.fill(kNotInAlphabet);
  for (std::uint32_t value = 0; value < 64; ++value) {
    const auto character = static_cast<unsigned char>(kAlphabet[value]);
    for (int position = 0; position < 4; ++position)
      tables[position][character] = value << (18 - 6 * position);
  }
  return tables;
}
constexpr DecodeTables kDecode = makeDecodeTables();

inline void putPair(char* out, std::uint64_t value12) { std::memcpy(out, &kPairs[2 * value12], 2); }

inline std::uint64_t loadBigEndian64(const unsigned char* in) {
  std::uint64_t value;
  std::memcpy(&value, in, 8);
  if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
  return value;
}

// Writes the three bytes of every group of `text` (whose length is a
// multiple of 4) to `out`, which holds the decoded length.
void decodeGroups(const std::string& text, unsigned char* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  for (std::size_t at = 0; at < size; at += 4, out += 3) {
    const std::uint32_t bits =
        kDecode[0][in[at]] | kDecode[1][in[at + 1]] | kDecode[2][in[at + 2]] | kDecode[3][in[at + 3]];
    if (bits < 0x01000000u) {
      out[0] = static_cast<unsigned char>(bits >> 16);
      out[1] = static_cast<unsigned char>(bits >> 8);
      out[2] = static_cast<unsigned char>(bits);
      continue;
    }
    // A group with padding or a stray character: it ends the decoding,
    // normally or by an error.
    std::uint32_t accumulator = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
      const unsigned char character = in[k];
      const std::uint32_t value = kDecode[3][character];
      if (value != kNotInAlphabet) {
        accumulator = (accumulator << 6) | value;
        continue;
      }
      if (character != '=') throw std::runtime_error("Non-Valid Character in Base 64!");
      const std::size_t remaining = size - k;  // this "=" included
      if (remaining == 1) {                    // three characters: 18 bits
        out[0] = static_cast<unsigned char>(accumulator >> 10);
        out[1] = static_cast<unsigned char>(accumulator >> 2);
        return;
      }
      if (remaining == 2) {  // two characters: 12 bits
        out[0] = static_cast<unsigned char>(accumulator >> 4);
        return;
      }
      throw std::runtime_error("Invalid Padding in Base 64!");
    }
  }
}

// The output length for a non-empty text, after the length check.
std::size_t checkedDecodedLength(const std::string& text) {
  if (text.size() % 4 != 0) throw std::runtime_error("Non-Valid base64!");
  std::size_t padding = 0;
  if (text[text.size() - 1] == '=') ++padding;
  if (text[text.size() - 2] == '=') ++padding;
  return text.size() / 4 * 3 - padding;
}

}  // namespace

std::size_t base64EncodedLength(std::size_t length) {
  const std::size_t groups = length / 3 + (length % 3 != 0 ? 1 : 0);
  if (groups > std::string().max_size() / 4) throw std::length_error("base64Encode: input too long");
  return groups * 4;
}

std::string base64Encode(const unsigned char* bytes, std::size_t length) {
  std::string text;
  if (bytes == nullptr || length == 0) return text;
  text.resize(base64EncodedLength(length));
  base64EncodeInto(bytes, length, text.data());
  return text;
}

void base64EncodeInto(const unsigned char* bytes, std::size_t length, char* out) {
  const unsigned char* in = bytes;
  std::size_t left = length;
  // Six bytes per 8-byte load, twice per round, while both loads stay in bounds.
  while (left >= 14) {
    const std::uint64_t a = loadBigEndian64(in);
    const std::uint64_t b = loadBigEndian64(in + 6);
    putPair(out, (a >> 52) & 0xFFF);
    putPair(out + 2, (a >> 40) & 0xFFF);
    putPair(out + 4, (a >> 28) & 0xFFF);
    putPair(out + 6, (a >> 16) & 0xFFF);
    putPair(out + 8, (b >> 52) & 0xFFF);
    putPair(out + 10, (b >> 40) & 0xFFF);
    putPair(out + 12, (b >> 28) & 0xFFF);
    putPair(out + 14, (b >> 16) & 0xFFF);
    in += 12;
    out += 16;
    left -= 12;
  }
  while (left >= 3) {
    const std::uint64_t group = (std::uint64_t{in[0]} << 16) | (std::uint64_t{in[1]} << 8) | in[2];
    putPair(out, group >> 12);
    putPair(out + 2, group & 0xFFF);
    in += 3;
    out += 4;
    left -= 3;
  }
  if (left == 1) {
    out[0] = kAlphabet[in[0] >> 2];
    out[1] = kAlphabet[(in[0] << 4) & 63];
    out[2] = '=';
    out[3] = '=';
  } else if (left == 2) {
    out[0] = kAlphabet[in[0] >> 2];
    out[1] = kAlphabet[((in[0] << 4) & 63) + (in[1] >> 4)];
    out[2] = kAlphabet[(in[1] & 15) << 2];
    out[3] = '=';
  }
}

void base64Decode(const std::string& text, std::size_t* length, unsigned char** buffer) {
  if (text.empty() || length == nullptr || buffer == nullptr) return;
  const std::size_t size = checkedDecodedLength(text);
  std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size]());
  if (!bytes) throw std::runtime_error("Failed to allocate memory!");
  decodeGroups(text, bytes.get());  // may throw: the buffer is freed here
  *length = size;
  *buffer = bytes.release();
}

std::vector<unsigned char> base64Decode(const std::string& text) {
  std::vector<unsigned char> bytes;
  if (text.empty()) return bytes;
  const std::size_t size = checkedDecodedLength(text);
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    throw std::runtime_error("Failed to allocate memory!");
  }
  decodeGroups(text, bytes.data());
  return bytes;
}

}  // namespace Norvell
