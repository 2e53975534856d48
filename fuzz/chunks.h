#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Splits a fuzzer's input: its first byte sets the chunk size (1 to 255, or
// with 255 the whole input in one chunk, which crosses the runs' 4 KiB
// windows), so that the fuzzer also explores where the buffers end.
inline std::vector<std::string> chunksOf(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> chunks;
  if (size == 0) return chunks;
  const std::size_t chunkSize = data[0] == 255 ? size : std::size_t{data[0]} + 1;
  for (std::size_t at = 1; at < size; at += chunkSize) {
    const std::size_t length = at + chunkSize < size ? chunkSize : size - at;
    chunks.emplace_back(reinterpret_cast<const char*>(data) + at, length);
  }
  return chunks;
}
