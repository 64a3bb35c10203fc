// The benchmark's floor: what any Level Zero program pays before it does anything of its own.
// It links the loader that zeprobe loads at run time, initialises Level Zero and fetches the
// driver handles.
// Given a number N, it then sleeps N times 100 ms, which shows what waking up costs on the
// machine at hand.
#include <level_zero/ze_api.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (zeInit(0) != ZE_RESULT_SUCCESS) return 1;
  uint32_t count = 0;
  if (zeDriverGet(&count, nullptr) != ZE_RESULT_SUCCESS) return 1;
  std::vector<ze_driver_handle_t> drivers(count);
  if (zeDriverGet(&count, drivers.data()) != ZE_RESULT_SUCCESS) return 1;
  const int sleeps = argc > 1 ? std::atoi(argv[1]) : 0;
  for (int index = 0; index < sleeps; ++index) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return 0;
}
