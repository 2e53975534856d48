#pragma once

#include "window_operations.h"

namespace cstrip {

// The strip run: copies Text1's file to Text2's file without its C comments,
// keeping only the first of every run of line breaks outside comments (so CR
// LF comes out as CR). Counts every LF read, showing the count and yielding
// after each one but those the window lets it skip, and showing the final
// count at the end; an input without LF leaves Text3 as it was.
//
// The output is replaced whole when the run ends: one that fails, or that
// the window stops, leaves it as it was (a stream, such as standard output,
// keeps what was written). Throws RunError when a file cannot be opened,
// read, written, closed or put in place, when the input is UTF-16 or
// UTF-32 text, or when the output names the input; both files are closed
// by then. The input is never written to.
void DeleteComment(WindowOperations& window);

}  // namespace cstrip
