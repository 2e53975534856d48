#include "run_conversion.h"

#include <new>

#include "c_strip_run.h"
#include "case_run.h"
#include "run_error.h"
#include "strip_run.h"

namespace cstrip {

void RunConversion(WindowOperations& window) {
  try {
    if (window.commentModeChosen()) {
      DeleteComment(window);
    } else if (window.cCommentModeChosen()) {
      DeleteCComment(window);
    } else {
      ConvertCase(window);
    }
  } catch (const std::bad_alloc&) {
    throw RunError(Failure::OutOfMemory, {}, kNoMemoryError);
  }
}

}  // namespace cstrip
