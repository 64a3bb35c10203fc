// radprobe: reports every AMD GPU that the display library exposes as a JSON document written
// line by line, and optionally sets the GPU virtual-memory page size of each reported adapter.
//
//   radprobe                       report only
//   radprobe setPageSize <1|2>     set the page size on every reported adapter, then report
//
// Exit status 0 after a complete run, 1 after any error (message on standard error).
#include <iostream>
#include <new>
#include <vector>

#include "adapter_list.h"
#include "adapter_members.h"
#include "adl_binding.h"
#include "common/os.h"
#include "common/report_output.h"
#include "common/text.h"
#include "errors.h"
#include "overdrive_members.h"
#include "text_format.h"

namespace radprobe {
namespace {

int pageSizeFromArguments(int argc, char** argv);

// Destroys the library context exactly once when main is left, normally or by an error.
class ContextGuard {
 public:
  explicit ContextGuard(adl::Context context) : context_(context) {}
  ContextGuard(const ContextGuard&) = delete;
  ContextGuard& operator=(const ContextGuard&) = delete;
  ~ContextGuard() { adl.ADL2_Main_Control_Destroy(context_); }

 private:
  adl::Context context_;
};

void writeDocumentHead(std::ostream& out, adl::Context context);
void writeAdapters(std::ostream& out, adl::Context context,
                   const std::vector<adl::AdapterInfo>& keptAdapters, int pageSize);
void writeAdapterObject(std::ostream& out, adl::Context context, const adl::AdapterInfo& adapter,
                        bool last);

}  // namespace
}  // namespace radprobe

int main(int argc, char** argv) {
  common::suppressErrorDialogs();
  try {
    const int pageSize = radprobe::pageSizeFromArguments(argc, argv);
    radprobe::loadAdlApi();
    adl::Context context = nullptr;
    radprobe::checkAdl(radprobe::adl.ADL2_Main_Control_Create(radprobe::adlAlloc, 1, &context),
                       __func__, __LINE__);
    const radprobe::ContextGuard contextGuard(context);

    std::cout << std::boolalpha;
    radprobe::writeDocumentHead(std::cout, context);

    // The adapter list: its count, then, for a positive count, its records.
    int count = 0;
    radprobe::checkAdl(radprobe::adl.ADL2_Adapter_NumberOfAdapters_Get(context, &count), __func__,
                       __LINE__);
    std::vector<adl::AdapterInfo> keptAdapters;
    if (count > 0) {
      const radprobe::AdapterBuffer adapters = radprobe::allocateAdapterBuffer(count);
      radprobe::checkAdl(radprobe::adl.ADL2_Adapter_AdapterInfo_Get(
                             context, adapters.get(), radprobe::adapterBufferSize(count)),
                         __func__, __LINE__);
      keptAdapters = radprobe::keepAmdAdapters({adapters.get(), static_cast<std::size_t>(count)});
    }
    radprobe::writeAdapters(std::cout, context, keptAdapters, pageSize);

    std::cout << "  ]" << common::endLine << "}" << common::endLine;
    return 0;
  } catch (const radprobe::FatalError& error) {
    if (const auto& call = error.failedCall()) {
      std::cerr << "ADL error " << call->result << " in func '" << call->function << "' at line "
                << call->line << " : " << error.what() << "." << std::endl;
    }
    std::cerr << error.what() << std::endl;
  } catch (const std::bad_alloc&) {
    std::cerr << "bad allocation" << std::endl;
  } catch (const std::exception& error) {
    // A report line that could not be written.
    std::cerr << error.what() << std::endl;
  }
  return 1;
}

namespace radprobe {
namespace {

// 0 for a report only, else the page size to set (1 or 2).
int pageSizeFromArguments(int argc, char** argv) {
  if (argc == 1) return 0;
  if (argc != 3) throw FatalError("Wrong args count. Usage: radprobe [setPageSize pageSize]");
  const auto pageSize = common::parseLeadingInt32(std::string_view(argv[2]));
  if (!pageSize) throw FatalError("Bad args. Usage: radprobe [setPageSize pageSize]");
  if (*pageSize != 1 && *pageSize != 2) throw FatalError("Bad args. pageSize shoud be 1 or 2");
  return *pageSize;
}

// The lines before the first adapter: the driver section, whose version lines are left out
// when the driver's version query fails, and the opening of the adapter list.
void writeDocumentHead(std::ostream& out, adl::Context context) {
  out << "{" << common::endLine << "  \"driver\":" << common::endLine << "  {" << common::endLine;
  adl::ADLVersionsInfoX2 versions{};
  if (adl::succeeded(adl.ADL2_Graphics_VersionsX2_Get(context, &versions))) {
    const auto crimson = common::fieldText(versions.strCrimsonVersion);
    const auto version = crimson.empty() ? common::fieldText(versions.strCatalystVersion) : crimson;
    out << "    \"version\": \"" << escapeJsonString(version) << "\"," << common::endLine;
    out << "    \"build\": \"" << escapeJsonString(common::fieldText(versions.strDriverVer)) << '"'
        << common::endLine;
  }
  out << "  }," << common::endLine << "  \"gpus\":" << common::endLine << "  [" << common::endLine;
}

void writeAdapters(std::ostream& out, adl::Context context,
                   const std::vector<adl::AdapterInfo>& keptAdapters, int pageSize) {
  for (std::size_t i = 0; i < keptAdapters.size(); ++i) {
    const adl::AdapterInfo& adapter = keptAdapters[i];
    if (pageSize != 0) {
      const int result = adl.ADL2_GPUVMPageSize_Info_Set(context, adapter.iAdapterIndex, pageSize);
      out << "Set PageSize: " << adlResultName(result) << common::endLine;
    }
    writeAdapterObject(out, context, adapter, i + 1 == keptAdapters.size());
  }
}

void writeAdapterObject(std::ostream& out, adl::Context context, const adl::AdapterInfo& adapter,
                        bool last) {
  out << "    {" << common::endLine;
  writeIdentityMembers(out, adapter);
  writeAsicTypes(out, context, adapter.iAdapterIndex);
  writeMemoryMembers(out, context, adapter.iAdapterIndex);
  writeBiosMembers(out, context, adapter.iAdapterIndex);
  writeOverdriveMembers(out, context, adapter.iAdapterIndex);
  out << "      \"json_sentinel\": null" << common::endLine;
  out << (last ? "    }" : "    },") << common::endLine;
}

}  // namespace
}  // namespace radprobe
