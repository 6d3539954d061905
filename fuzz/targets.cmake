# The fuzz targets as plain functions in one library: linked by the
# libFuzzer programs and by the replay of the kept corpus in the tests.
if(NOT TARGET tb_fuzz_targets)
  file(GLOB _fuzz_targets CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  # The fixed texts and agreeable prompter are shared with the tests.
  add_library(tb_fuzz_targets STATIC ${_fuzz_targets} ${PROJECT_SOURCE_DIR}/tests/support/fixed_services.cpp)
  target_include_directories(tb_fuzz_targets PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(tb_fuzz_targets PUBLIC tb_interchange tb_storage tb_shell_core tb_platform_core)
endif()
