// Identity, ASIC type, memory and BIOS members of an adapter object.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "interfaces/adl_abi.h"

namespace radprobe {

void writeIdentityMembers(std::ostream& out, const adl::AdapterInfo& adapter);

// The three groups below each leave their members out when their library call fails.
void writeAsicTypes(std::ostream& out, adl::Context context, int adapterIndex);
void writeMemoryMembers(std::ostream& out, adl::Context context, int adapterIndex);
void writeBiosMembers(std::ostream& out, adl::Context context, int adapterIndex);

// The JSON list of ASIC type names for the set bits of the mask, lowest bit first: the value
// of "asic_types".
std::string asicTypeList(std::uint32_t mask);

}  // namespace radprobe
