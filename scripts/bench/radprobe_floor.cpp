// The floor for radprobe's benchmark (scripts/bench-radprobe.sh): the fixed cost of a run
// (start-up, loading the display library, creating and destroying its context) without any
// report.
#include <iostream>
#include <stdexcept>

#include "radprobe/adl_binding.h"

int main() {
  try {
    radprobe::loadAdlApi();
    adl::Context context = nullptr;
    radprobe::checkAdl(radprobe::adl.ADL2_Main_Control_Create(radprobe::adlAlloc, 1, &context),
                       __func__, __LINE__);
    radprobe::adl.ADL2_Main_Control_Destroy(context);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << error.what() << std::endl;
    return 1;
  }
}
