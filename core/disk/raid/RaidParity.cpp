// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidParity.h"

#include <array>
#include <cstring>

namespace kestrel::disk::raid_parity {
namespace {

constexpr unsigned kPolynomial = 0x11D;
constexpr int kGroupOrder = 255;  // the powers of g run through every nonzero byte

struct GfTables {
  std::array<std::uint8_t, kGroupOrder> power{};
  std::array<int, 256> logarithm{};
};

constexpr GfTables MakeTables() {
  GfTables tables;
  unsigned value = 1;
  for (int exponent = 0; exponent < kGroupOrder; ++exponent) {
    tables.power[exponent] = static_cast<std::uint8_t>(value);
    tables.logarithm[value] = exponent;
    value <<= 1;
    if (value & 0x100) value ^= kPolynomial;
  }
  return tables;
}

constexpr GfTables kTables = MakeTables();

// 64 bytes XORed at once, in as many vector registers as the target has (GCC and Clang vectors).
using Block = std::uint64_t __attribute__((vector_size(64)));

std::uint64_t LoadWord(const std::uint8_t* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

void StoreWord(std::uint8_t* at, std::uint64_t word) {
  std::memcpy(at, &word, sizeof word);
}

// Eight bytes each multiplied by g: shifted left, and the polynomial folded into every byte that
// overflowed.
std::uint64_t TimesTwo(std::uint64_t word) {
  constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Full;
  constexpr std::uint64_t kTopBits = 0x0101010101010101ull;
  return ((word & kLowBits) << 1) ^ (((word >> 7) & kTopBits) * (kPolynomial & 0xFF));
}

// target = target * g ^ source.
void TimesTwoAndAdd(Bytes target, ConstBytes source) {
  std::size_t at = 0;
  for (; at + 8 <= target.size(); at += 8) {
    StoreWord(&target[at], TimesTwo(LoadWord(&target[at])) ^ LoadWord(&source[at]));
  }
  for (; at < target.size(); ++at) target[at] = GfMultiply(target[at], 2) ^ source[at];
}

// Every byte times the factor, so that a buffer is multiplied by a lookup a byte.
std::array<std::uint8_t, 256> ProductTable(std::uint8_t factor) {
  std::array<std::uint8_t, 256> product;
  for (int byte = 0; byte < 256; ++byte)
    product[byte] = GfMultiply(static_cast<std::uint8_t>(byte), factor);
  return product;
}

}  // namespace

void XorInto(Bytes target, ConstBytes source) {
  std::size_t at = 0;
  for (; at + sizeof(Block) <= target.size(); at += sizeof(Block)) {
    Block left, right;
    std::memcpy(&left, &target[at], sizeof left);
    std::memcpy(&right, &source[at], sizeof right);
    left ^= right;
    std::memcpy(&target[at], &left, sizeof left);
  }
  for (; at + 8 <= target.size(); at += 8)
    StoreWord(&target[at], LoadWord(&target[at]) ^ LoadWord(&source[at]));
  for (; at < target.size(); ++at) target[at] ^= source[at];
}

void ComputeSyndrome(const std::vector<ConstBytes>& data, Bytes target) {
  // Horner's rule from the last chunk down: ((D_n-1 * g + D_n-2) * g + ...) + D_0.
  std::memset(target.data(), 0, target.size());
  for (auto chunk = data.rbegin(); chunk != data.rend(); ++chunk) TimesTwoAndAdd(target, *chunk);
}

std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return kTables.power[(kTables.logarithm[a] + kTables.logarithm[b]) % kGroupOrder];
}

std::uint8_t GfPower(int exponent) {
  return kTables.power[((exponent % kGroupOrder) + kGroupOrder) % kGroupOrder];
}

std::uint8_t GfInverse(std::uint8_t value) {
  return value == 0 ? 0 : GfPower(-kTables.logarithm[value]);
}

void MultiplyInPlace(Bytes target, std::uint8_t factor) {
  const auto product = ProductTable(factor);
  for (std::uint8_t& byte : target) byte = product[byte];
}

void MultiplyAndAdd(Bytes target, ConstBytes source, std::uint8_t factor) {
  const auto product = ProductTable(factor);
  for (std::size_t at = 0; at < target.size(); ++at) target[at] ^= product[source[at]];
}

}  // namespace kestrel::disk::raid_parity
