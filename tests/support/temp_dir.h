#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace cstrip::testing {

// A fresh folder, removed with everything in it afterwards.
struct TempDir {
  std::filesystem::path path = [] {
    std::random_device random;
    for (int tries = 0; tries < 100; ++tries) {
      const auto name = std::filesystem::temp_directory_path() /
                        ("cstrip-test-" + std::to_string(random() % 1000000000));
      if (std::filesystem::create_directory(name)) return name;
    }
    throw std::runtime_error("no new folder in the temporary folder");
  }();
  ~TempDir() { std::filesystem::remove_all(path); }
  std::filesystem::path file(const std::string& name) const { return path / name; }
};

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string repeated(const std::string& text, int times) {
  std::string result;
  while (times-- > 0) result += text;
  return result;
}

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many entries the folder `path` holds.
inline long filesIn(const std::filesystem::path& path) {
  return std::distance(std::filesystem::directory_iterator(path),
                       std::filesystem::directory_iterator());
}

}  // namespace cstrip::testing
