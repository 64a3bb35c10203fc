#include <cstdlib>

#include "os.h"

namespace zeprobe {

bool enableSysman() {
  return setenv("ZES_ENABLE_SYSMAN", "1", 1) == 0;
}

}  // namespace zeprobe
