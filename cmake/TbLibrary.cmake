# tb_library(NAME SOURCES a.cpp b.cpp ... [DEPS lib ...]): a static library of
# the listed sources of the current folder, its headers reachable as
# "<layer>/<folder>/file.h" from src/. Sources are listed by name so that a
# new file is a visible change of the build.
function(tb_library name)
  cmake_parse_arguments(PARSE_ARGV 1 _tb "" "" "SOURCES;DEPS")
  if(_tb_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tb_library(${name}): unexpected ${_tb_UNPARSED_ARGUMENTS}")
  endif()
  if(_tb_SOURCES)
    add_library(${name} STATIC ${_tb_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    if(_tb_DEPS)
      target_link_libraries(${name} PUBLIC ${_tb_DEPS})
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    if(_tb_DEPS)
      target_link_libraries(${name} INTERFACE ${_tb_DEPS})
    endif()
  endif()
endfunction()
