#pragma once

#include "window_operations.h"

namespace cstrip {

// The case run: copies Text1's file to Text2's file line by line, each line
// converted to lower case when Option1 is set as the line starts and to
// upper case otherwise, and written with CR LF after it. The input is read
// as UTF-8 when it is valid UTF-8 throughout, as Shift-JIS otherwise (see
// examineInput): a regular file going to a file is read once and decided
// as it is converted (see SinglePassCase), anything else decided before
// the first line is written. Counts the lines
// written, showing the count and yielding after each one as DeleteComment
// does with LFs; an empty input leaves Text3 as it was.
//
// Replaces the output whole, and throws RunError, as DeleteComment does;
// the input is never written to.
void ConvertCase(WindowOperations& window);

}  // namespace cstrip
