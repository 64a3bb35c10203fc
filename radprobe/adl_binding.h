// Run-time binding of the display library: its entry-point table, the allocation callback
// handed to it, and the vocabulary for its result codes.
#pragma once

#include "adl_types.h"

// The entry points radprobe calls, filled once by loadAdlApi before any call.
struct AdlEntryPoints {
  adl::ADL2_Main_Control_Create_t ADL2_Main_Control_Create;
  adl::ADL2_Main_Control_Destroy_t ADL2_Main_Control_Destroy;
  adl::ADL2_Graphics_VersionsX2_Get_t ADL2_Graphics_VersionsX2_Get;
  adl::ADL2_Adapter_NumberOfAdapters_Get_t ADL2_Adapter_NumberOfAdapters_Get;
  adl::ADL2_Adapter_AdapterInfo_Get_t ADL2_Adapter_AdapterInfo_Get;
  adl::ADL2_Adapter_MemoryInfo_Get_t ADL2_Adapter_MemoryInfo_Get;
  adl::ADL2_Adapter_VideoBiosInfo_Get_t ADL2_Adapter_VideoBiosInfo_Get;
  adl::ADL2_Overdrive_Caps_t ADL2_Overdrive_Caps;
  adl::ADL2_Overdrive5_Temperature_Get_t ADL2_Overdrive5_Temperature_Get;
  adl::ADL2_Overdrive5_FanSpeed_Get_t ADL2_Overdrive5_FanSpeed_Get;
  adl::ADL2_Overdrive5_CurrentActivity_Get_t ADL2_Overdrive5_CurrentActivity_Get;
  adl::ADL2_Overdrive6_CurrentPower_Get_t ADL2_Overdrive6_CurrentPower_Get;
  adl::ADL2_New_QueryPMLogData_Get_t ADL2_New_QueryPMLogData_Get;
  adl::ADL2_Overdrive8_Init_SettingX2_Get_t ADL2_Overdrive8_Init_SettingX2_Get;
  adl::ADL2_Overdrive8_Init_Setting_Get_t ADL2_Overdrive8_Init_Setting_Get;
  adl::ADL2_GPUVMPageSize_Info_Set_t ADL2_GPUVMPageSize_Info_Set;
  adl::ADL2_Adapter_ASICFamilyType_Get_t ADL2_Adapter_ASICFamilyType_Get;
};

extern AdlEntryPoints adlApi;

// Loads the display library and resolves all 18 entry points; raises on the first failure.
void loadAdlApi();

// Address of one export of the loaded library; raises "ADL API missing" when it is absent.
void* resolveAdlEntry(void* module, const char* name);

// Allocation callback for the library: memory it hands over is released with free.
void* adlAlloc(int size);

// A call succeeded when its result is ADL_OK or ADL_OK_WARNING.
inline bool adlSucceeded(int result) {
  return static_cast<unsigned>(result) <= 1u;
}

const char* adlResultName(int result);

// Reports a failed result on standard error with the calling function and line, then raises
// an error carrying the result's name. Does nothing for a successful result.
void checkAdl(int result, const char* function, int line);

// Releases memory that the library allocated through adlAlloc, or that calloc returned.
struct FreeDeleter {
  void operator()(void* memory) const;
};
