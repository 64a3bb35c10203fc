#include "adapter_members.h"

#include "adl_binding.h"
#include "common/text.h"
#include "report_lines.h"

namespace radprobe {
namespace {

const char* asicTypeName(std::uint32_t bit);

}  // namespace

void writeIdentityMembers(std::ostream& out, const adl::AdapterInfo& adapter) {
  writeMember(out, "adl_adapter_index", adapter.iAdapterIndex);
  const auto bits = [](int number) { return static_cast<std::uint32_t>(number); };
  const std::string pciAddress = common::pciAddressText(
      bits(adapter.iBusNumber), bits(adapter.iDeviceNumber), bits(adapter.iFunctionNumber));
  writeMember(out, "pci_address", '"' + pciAddress + '"');
  writeStringMember(out, "name", common::fieldText(adapter.strAdapterName));
  writeStringMember(out, "udid", common::fieldText(adapter.strUDID));
  writeMember(out, "vendor_id", adapter.iVendorID);
  writeStringMember(out, "display_name", common::fieldText(adapter.strDisplayName));
  writeMember(out, "present", adapter.iPresent != 0);
  writeMember(out, "exist", adapter.iExist != 0);
  writeStringMember(out, "driver_registry_path", common::fieldText(adapter.strDriverPath));
  writeStringMember(out, "driver_registry_path_ext", common::fieldText(adapter.strDriverPathExt));
  writeStringMember(out, "pnp_string", common::fieldText(adapter.strPNPString));
  writeMember(out, "os_display_index", adapter.iOSDisplayIndex);
}

void writeAsicTypes(std::ostream& out, adl::Context context, int adapterIndex) {
  int asicTypes = 0;
  int valids = 0;
  const int result =
      adl.ADL2_Adapter_ASICFamilyType_Get(context, adapterIndex, &asicTypes, &valids);
  if (!adl::succeeded(result)) return;
  writeMember(out, "asic_types", asicTypeList(static_cast<std::uint32_t>(asicTypes & valids)));
}

void writeMemoryMembers(std::ostream& out, adl::Context context, int adapterIndex) {
  adl::ADLMemoryInfo memory{};
  if (!adl::succeeded(adl.ADL2_Adapter_MemoryInfo_Get(context, adapterIndex, &memory))) return;
  writeStringMember(out, "memory_type", common::fieldText(memory.strMemoryType));
  writeMember(out, "memory_size", memory.iMemorySize);
  writeMember(out, "memory_bandwidth", memory.iMemoryBandwidth);
}

void writeBiosMembers(std::ostream& out, adl::Context context, int adapterIndex) {
  adl::ADLBiosInfo bios{};
  if (!adl::succeeded(adl.ADL2_Adapter_VideoBiosInfo_Get(context, adapterIndex, &bios))) return;
  writeStringMember(out, "bios_part_number", common::fieldText(bios.strPartNumber));
  writeStringMember(out, "bios_version", common::fieldText(bios.strVersion));
  writeStringMember(out, "bios_date", common::fieldText(bios.strDate));
}

std::string asicTypeList(std::uint32_t mask) {
  std::string list = "[";
  for (int position = 0; position < 32; ++position) {
    const std::uint32_t bit = std::uint32_t{1} << position;
    if ((mask & bit) == 0) continue;
    if (list.size() > 1) list += ", ";
    list += '"';
    list += asicTypeName(bit);
    list += '"';
  }
  return list + ']';
}

namespace {

const char* asicTypeName(std::uint32_t bit) {
  switch (bit) {
    case 1:
      return "ADL_ASIC_DISCRETE";
    case 2:
      return "ADL_ASIC_INTEGRATED";
    case 4:
      return "ADL_ASIC_FIREGL";
    case 8:
      return "ADL_ASIC_FIREMV";
    case 16:
      return "ADL_ASIC_XGP";
    case 32:
      return "ADL_ASIC_FUSION";
    case 64:
      return "ADL_ASIC_FIRESTREAM";
    case 128:
      return "ADL_ASIC_EMBEDDED";
    default:
      return "ADL_ASIC_UNKNOWN";
  }
}

}  // namespace
}  // namespace radprobe
