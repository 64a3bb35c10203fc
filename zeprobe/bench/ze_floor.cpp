// The benchmark's floor: what any Level Zero program pays before it does anything of its own.
// It links the same loader as zeprobe, initialises Level Zero and fetches the driver handles.
#include <level_zero/ze_api.h>

#include <vector>

int main() {
  if (zeInit(0) != ZE_RESULT_SUCCESS) return 1;
  uint32_t count = 0;
  if (zeDriverGet(&count, nullptr) != ZE_RESULT_SUCCESS) return 1;
  std::vector<ze_driver_handle_t> drivers(count);
  return zeDriverGet(&count, drivers.data()) == ZE_RESULT_SUCCESS ? 0 : 1;
}
