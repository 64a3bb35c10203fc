#include "program_state.h"

namespace simulated_adl {

// Linux has no system error dialogs to switch off.
const char* loadingProblem() {
  return nullptr;
}

}  // namespace simulated_adl
