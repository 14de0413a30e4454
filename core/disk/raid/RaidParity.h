// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The arithmetic of RAID parity: P is the XOR of a row's data chunks; RAID 6's Q is the sum of
// g^k * D_k over GF(2^8) with the polynomial 0x11D and generator g = 2, as Linux md computes it.
namespace kestrel::disk::raid_parity {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

// target ^= source, a word at a time (the spans are the same size).
void XorInto(Bytes target, ConstBytes source);
// target = sum of g^k * data[k].
void ComputeSyndrome(const std::vector<ConstBytes>& data, Bytes target);
// target = factor * target, bytewise in GF(2^8).
void MultiplyInPlace(Bytes target, std::uint8_t factor);
// target ^= factor * source, bytewise in GF(2^8).
void MultiplyAndAdd(Bytes target, ConstBytes source, std::uint8_t factor);

std::uint8_t GfPower(int exponent);  // g^exponent, any exponent (negative ones too)
std::uint8_t GfInverse(std::uint8_t value);
std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b);

}  // namespace kestrel::disk::raid_parity
