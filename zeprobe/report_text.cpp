#include "report_text.h"

#include "common/text.h"

namespace zeprobe {

std::string apiVersionText(std::uint32_t version) {
  return std::to_string(version >> 16) + "." + std::to_string(version & 0xffffu);
}

std::string deviceTypeName(ze_device_type_t type) {
  switch (type) {
    case ZE_DEVICE_TYPE_GPU:
      return "gpu";
    case ZE_DEVICE_TYPE_CPU:
      return "cpu";
    case ZE_DEVICE_TYPE_FPGA:
      return "fpga";
    case ZE_DEVICE_TYPE_MCA:
      return "mca";
    case ZE_DEVICE_TYPE_VPU:
      return "vpu";
    default:
      return "";
  }
}

std::string pciIdText(std::uint32_t id) {
  return common::hexText(id, 4);
}

std::string uuidText(const ze_device_uuid_t& uuid) {
  std::string text;
  for (std::size_t index = 0; index < ZE_MAX_DEVICE_UUID_SIZE; ++index) {
    if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
    text += common::hexText(uuid.id[index], 2);
  }
  return text;
}

}  // namespace zeprobe
