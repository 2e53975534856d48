#pragma once

#include "input_file.h"
#include "text_encoding.h"

namespace cstrip {

// Looks at `input` before anything is written. Refuses a UTF-16 or UTF-32
// text, known by its byte order mark, with a RunError naming the file.
// Where `decide` is set, returns how a run is to read the file:
// UTF-8 when it is valid UTF-8 from its first byte to its last, Shift-JIS
// otherwise. A file that cannot be read twice, such as a pipe, is judged by
// its first kIoBufferSize bytes. The file is then read from its start.
TextEncoding examineInput(InputFile& input, bool decide);

}  // namespace cstrip
