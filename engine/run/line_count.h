#pragma once

#include <cstdint>
#include <string>

namespace cstrip {

// The number of lines a run has counted: LF characters read by the strip
// run, line ends read by the C comment stripping, lines written by the case
// run. 64 bits, so no real file can overflow it.
using LineCount = std::uint64_t;

// `count` as plain decimal digits: no sign, no grouping, no leading zeros.
std::string formatLineCount(LineCount count);

}  // namespace cstrip
