#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace cstrip {

// A name for a temporary file in the folder of `target`: hidden, short
// enough for any folder whatever the target's own name, and different at
// each call, from a sequence that starts at a random point in each process.
// The caller creates it exclusively and takes another if it exists.
inline std::filesystem::path temporaryNameBeside(const std::filesystem::path& target) {
  static std::atomic<std::uint64_t> next{std::random_device{}()};
  // splitmix64: consecutive numbers give unrelated names.
  std::uint64_t n = next.fetch_add(0x9E3779B97F4A7C15);
  n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9;
  n = (n ^ (n >> 27)) * 0x94D049BB133111EB;
  n ^= n >> 31;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = ".cstrip-";
  for (int i = 0; i < 10; ++i, n /= 36) name += kDigits[n % 36];
  return target.parent_path() / name;
}

}  // namespace cstrip
