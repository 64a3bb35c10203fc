// The simulation answers the Level Zero functions of interfaces/level_zero_calls.inc, defined
// in engine.cpp under the vendor's own names and signatures (as declared by ze_api.h and
// zes_api.h). The Linux face puts them into the loader's dispatch tables and keeps them out of
// its exports; on Windows, where the headers declare them dllexport, they are the exports of
// the stand-in ze_loader.dll.
//
// zeInit loads the scenario named by ZE_SIM_SCENARIO and, like a real driver, enables the
// Sysman functions only when ZES_ENABLE_SYSMAN is "1" at that moment. A scenario that cannot
// be loaded is reported on standard error ("simulated Level Zero driver: bad scenario: ...")
// and ends the process with status 86.
//
// Calls that break the interface's rules (zeInit flags other than 0, an output structure
// without its own stype, with a pNext chain or not zeroed, energy readings less than 100 ms
// apart) are reported on standard error and refused with ZE_RESULT_ERROR_INVALID_ARGUMENT.
#pragma once

#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <optional>
#include <string>

namespace simulated::levelzero {

// Reads a variable of the process environment; each face supplies its own.
std::optional<std::string> environmentValue(const char* name);

}  // namespace simulated::levelzero
