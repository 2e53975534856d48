#pragma once

#include <filesystem>

#include "window_operations.h"

namespace cstrip {

// The C comment stripping: copies Text1's file to Text2's file without its
// comments, read as a C compiler reads them (see CCommentStripper), with
// every line end as it stands. The input is read as UTF-8 when it is valid
// UTF-8 throughout, as Shift-JIS otherwise, decided as the case run decides
// it; C++ raw strings are strings in a file named as C++ source (see
// readsRawStrings). Every line end read, CR LF, CR or LF, counts one line,
// shown and yielded as DeleteComment does with LFs. A block comment still
// open at the end runs to the end; the window is told on which line it
// opened.
//
// Replaces the output whole, and throws RunError, as DeleteComment does;
// the input is never written to.
void DeleteCComment(WindowOperations& window);

// Whether `input` is named as C++ source: .cc, .cpp, .cxx, .c++, .hh, .hpp
// or .hxx, in any case.
bool readsRawStrings(const std::filesystem::path& input);

}  // namespace cstrip
