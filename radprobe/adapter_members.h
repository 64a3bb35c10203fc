// Identity, ASIC type, memory and BIOS members of an adapter object.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "adl_abi.h"

namespace radprobe {

// The JSON list of ASIC type names for the set bits of the mask, lowest bit first.
std::string asicTypeList(std::uint32_t mask);

void writeIdentityMembers(std::ostream& out, const adl::AdapterInfo& adapter);

// The three groups below each leave their members out when their library call fails.
void writeAsicTypes(std::ostream& out, adl::Context context, int adapterIndex);
void writeMemoryMembers(std::ostream& out, adl::Context context, int adapterIndex);
void writeBiosMembers(std::ostream& out, adl::Context context, int adapterIndex);

}  // namespace radprobe
