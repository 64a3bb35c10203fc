# The display library's variants, declared once: each a name and the entry points it leaves
# out, for the "ADL API missing" cases. simulated/display_library builds each variant into
# ${DISPLAY_LIBRARY_VARIANTS_DIR}/<name>; radprobe's tests run the program against each. Included by both.
set(DISPLAY_LIBRARY_VARIANTS_DIR ${CMAKE_BINARY_DIR}/display_library_variants)
set(DISPLAY_LIBRARY_VARIANTS missing_fan_speed_info missing_od8_and_asic missing_control_create)
set(DISPLAY_LIBRARY_VARIANT_missing_fan_speed_info ADL2_Overdrive5_FanSpeedInfo_Get)
set(DISPLAY_LIBRARY_VARIANT_missing_od8_and_asic
    ADL2_Adapter_ASICFamilyType_Get ADL2_Overdrive8_Init_Setting_Get)
set(DISPLAY_LIBRARY_VARIANT_missing_control_create ADL2_Main_Control_Create)
