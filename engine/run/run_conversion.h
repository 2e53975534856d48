#pragma once

#include "window_operations.h"

namespace cstrip {

// GO's run: DeleteComment when Option3 is set, DeleteCComment when Option4
// is, ConvertCase otherwise.
// Throws RunError on any failure, running out of memory included.
void RunConversion(WindowOperations& window);

}  // namespace cstrip
