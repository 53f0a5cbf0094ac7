# Fails when the engine reaches into the tools: no source or CMake file
# under engine/ may include a header from tools/ or name a directory there.
# Run as: cmake -DROOT=<source dir> -P check_layers.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()
file(GLOB_RECURSE files ${ROOT}/engine/*.h ${ROOT}/engine/*.cpp ${ROOT}/engine/*.in
     ${ROOT}/engine/*CMakeLists.txt)
set(found "")
foreach(f ${files})
  file(STRINGS ${f} lines REGEX "(#include[ \t]*[\"<][^\">]*tools/)|([$][{]PROJECT_SOURCE_DIR[}]/tools)|(\\.\\./tools/)")
  foreach(line ${lines})
    file(RELATIVE_PATH rel ${ROOT} ${f})
    string(APPEND found "${rel}: ${line}\n")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "The engine must not use the tools:\n${found}")
endif()
message(STATUS "engine/ uses nothing from tools/")
