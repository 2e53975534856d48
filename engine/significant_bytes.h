#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace cstrip {

// True for the five bytes the comment stripper examines: double quote, `*`,
// `/`, CR and LF. Every other byte is copied or skipped unexamined.
constexpr bool isSignificant(unsigned char byte) {
  return byte == '"' || byte == '*' || byte == '/' || byte == '\r' || byte == '\n';
}

// Classifies [first, last) 64 bytes at a time: masks[i] has bit j set where
// first[64 * i + j] is significant (a last, partial block has its missing
// bytes clear). `masks` holds room for (last - first + 63) / 64 entries.
// Uses AVX2 where the processor has it, SSE2 otherwise on x86-64, and plain
// byte tests elsewhere; the result is the same.
void significantMasks(const char* first, const char* last, std::uint64_t* masks);

// The plain byte-by-byte classification, the reference for tests.
void significantMasksByteByByte(const char* first, const char* last, std::uint64_t* masks);

// Every classification this build and processor can run, for tests to check
// each one whichever significantMasks() picks here.
using SignificantMasksFunction = void (*)(const char*, const char*, std::uint64_t*);
std::span<const SignificantMasksFunction> significantMasksImplementations();

}  // namespace cstrip
