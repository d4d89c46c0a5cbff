# One static library per folder. Each links only the layers below it; scripts/check-layers (a CTest
# check) holds the same order for the includes, so a header cannot reach upward either.
#
#   tonwerk_library(NAME SOURCES a.cpp b.cpp DEPENDS lower_targets...)
function(tonwerk_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPENDS")
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${arg_DEPENDS} PRIVATE tonwerk_warnings)
endfunction()
