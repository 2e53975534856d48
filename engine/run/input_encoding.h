#pragma once

#include <optional>

#include "input_file.h"
#include "text_encoding.h"

namespace cstrip {

// Looks at `input` before anything is written. Refuses a UTF-16 or UTF-32
// text, known by its byte order mark, with a RunError naming the file.
// Where `decide` is set, returns how a run is to read the file:
// UTF-8 when it is valid UTF-8 from its first byte to its last, Shift-JIS
// otherwise. A file that cannot be read twice, such as a pipe, is judged by
// its first kIoBufferSize bytes; one that can is read through (see
// readEncoding), unless `later` is set: then nothing is returned, and the
// run decides as it converts. The file is then read from its start.
std::optional<TextEncoding> examineInput(InputFile& input, bool decide, bool later = false);

// Reads a file that can be read twice through, and returns how to read it
// as examineInput does; the file is then read from its start.
TextEncoding readEncoding(InputFile& input);

}  // namespace cstrip
