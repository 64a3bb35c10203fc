// The display library's binary interface as the 64-bit Windows library publishes it: the
// structures exchanged with it, its constants, and the types of its context-based entry points
// (listed in adl_entry_points.inc). radprobe and the simulated library both build on it.
#pragma once

#include <cstdint>

namespace adl {

inline constexpr int kStringFieldSize = 256;

struct AdapterInfo {
  int iSize;
  int iAdapterIndex;
  char strUDID[kStringFieldSize];
  int iBusNumber;
  int iDeviceNumber;
  int iFunctionNumber;
  int iVendorID;
  char strAdapterName[kStringFieldSize];
  char strDisplayName[kStringFieldSize];
  int iPresent;
  int iExist;
  char strDriverPath[kStringFieldSize];
  char strDriverPathExt[kStringFieldSize];
  char strPNPString[kStringFieldSize];
  int iOSDisplayIndex;
};

struct ADLVersionsInfoX2 {
  char strDriverVer[kStringFieldSize];
  char strCatalystVersion[kStringFieldSize];
  char strCrimsonVersion[kStringFieldSize];
  char strCatalystWebLink[kStringFieldSize];
};

struct ADLMemoryInfo {
  long long iMemorySize;
  char strMemoryType[kStringFieldSize];
  long long iMemoryBandwidth;
};

struct ADLBiosInfo {
  char strPartNumber[kStringFieldSize];
  char strVersion[kStringFieldSize];
  char strDate[kStringFieldSize];
};

struct ADLTemperature {
  int iSize;
  int iTemperature;
};

struct ADLFanSpeedValue {
  int iSize;
  int iSpeedType;
  int iFanSpeed;
  int iFlags;
};

struct ADLPMActivity {
  int iSize;
  int iEngineClock;
  int iMemoryClock;
  int iVddc;
  int iActivityPercent;
  int iCurrentPerformanceLevel;
  int iCurrentBusSpeed;
  int iCurrentBusLanes;
  int iMaximumBusLanes;
  int iReserved;
};

inline constexpr int kPMLogSensorCount = 256;

struct ADLSingleSensorData {
  int supported;
  int value;
};

struct ADLPMLogDataOutput {
  int size;
  ADLSingleSensorData sensors[kPMLogSensorCount];
};

inline constexpr int kOD8SettingCount = 52;

struct ADLOD8SingleInitSetting {
  int featureID;
  int minValue;
  int maxValue;
  int defaultValue;
};

// radprobe's staging table of the Overdrive 8 settings, filled from the list that
// ADL2_Overdrive8_Init_SettingX2_Get hands over; never passed to the library.
struct ADLOD8InitSetting {
  int count;
  int overdrive8Capabilities;
  ADLOD8SingleInitSetting od8SettingTable[kOD8SettingCount];
};

static_assert(sizeof(AdapterInfo) == 1572);
static_assert(sizeof(ADLVersionsInfoX2) == 1024);
static_assert(sizeof(ADLMemoryInfo) == 272);
static_assert(sizeof(ADLBiosInfo) == 768);
static_assert(sizeof(ADLTemperature) == 8);
static_assert(sizeof(ADLFanSpeedValue) == 16);
static_assert(sizeof(ADLPMActivity) == 40);
static_assert(sizeof(ADLSingleSensorData) == 8);
static_assert(sizeof(ADLPMLogDataOutput) == 2052);
static_assert(sizeof(ADLOD8SingleInitSetting) == 16);
static_assert(sizeof(ADLOD8InitSetting) == 840);

inline constexpr int ADL_OK = 0;
inline constexpr int ADL_OK_WARNING = 1;
inline constexpr int ADL_ERR_INVALID_ADL_IDX = -5;
inline constexpr int ADL_ERR_NOT_SUPPORTED = -8;
inline constexpr int ADL_ERR_NULL_POINTER = -9;
inline constexpr int ADL_ERR_INVALID_CALLBACK = -11;
inline constexpr int ADL_ERR_NOT_INIT = -2;

// A call succeeded when its result is ADL_OK or ADL_OK_WARNING; every other code fails, the
// other positive ones included.
constexpr bool succeeded(int result) {
  return ADL_OK <= result && result <= ADL_OK_WARNING;
}

inline constexpr int ADL_DL_FANCTRL_SPEED_TYPE_PERCENT = 1;
inline constexpr int ADL_DL_FANCTRL_SPEED_TYPE_RPM = 2;
inline constexpr int OD8_FAN_ACOUSTIC_LIMIT = 11;
inline constexpr int AMD_VENDOR_ID = 1002;

// PMLog sensor numbers.
inline constexpr int PMLOG_CLK_GFXCLK = 1;
inline constexpr int PMLOG_CLK_MEMCLK = 2;
inline constexpr int PMLOG_TEMPERATURE_EDGE = 8;
inline constexpr int PMLOG_FAN_RPM = 14;
inline constexpr int PMLOG_FAN_PERCENTAGE = 15;
inline constexpr int PMLOG_INFO_ACTIVITY_GFX = 19;
inline constexpr int PMLOG_INFO_ACTIVITY_MEM = 20;
inline constexpr int PMLOG_GFX_VOLTAGE = 21;
inline constexpr int PMLOG_ASIC_POWER = 23;

// The 64-bit library only: the 32-bit one has another file name and another calling
// convention, so a 32-bit build of these declarations would load nothing or call it wrongly.
static_assert(sizeof(void*) == 8, "only the 64-bit display library is declared here");

using Context = void*;
using MallocCallback = void* (*)(int size);

// ADL2_Main_Control_Create_t and so on: a pointer type for each entry point of the list.
#define ADL_ENTRY_POINT(name, parameters) using name##_t = int(*) parameters;
#include "adl_entry_points.inc"

}  // namespace adl
