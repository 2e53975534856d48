// The fast case converter against the byte-by-byte stepper, with the
// direction changing from line to line as the input's own bytes say.

#include <string>

#include "case_converter.h"
#include "case_stepper.h"
#include "chunks.h"

namespace {

class Sink {
 public:
  explicit Sink(const std::string& directions) : directions_(directions) {}
  bool lowerCaseForNewLine() {
    events += '<';
    return directions_.empty() || (directions_[lines_ % directions_.size()] & 1) != 0;
  }
  void write(std::span<const char> bytes) { output.append(bytes.begin(), bytes.end()); }
  bool lineEnded() {
    events += '>';
    ++lines_;
    return true;
  }
  std::string output;
  std::string events;

 private:
  const std::string& directions_;
  std::size_t lines_ = 0;
};

template <template <class> class Converter>
Sink run(const std::vector<std::string>& chunks, const std::string& directions) {
  Sink sink(directions);
  Converter<Sink> converter(sink);
  for (std::string chunk : chunks) converter.feed(chunk);
  converter.finish();
  return sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto chunks = chunksOf(data, size);
  const std::string directions = chunks.empty() ? std::string() : chunks.front();
  const Sink expected = run<cstrip::CaseStepper>(chunks, directions);
  const Sink actual = run<cstrip::CaseConverter>(chunks, directions);
  if (actual.output != expected.output || actual.events != expected.events) __builtin_trap();
  return 0;
}
