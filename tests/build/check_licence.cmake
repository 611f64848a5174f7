# SPDX-License-Identifier: Apache-2.0
# cmake -DSOURCE_DIR=<tree> -P check_licence.cmake
#
# Fails when a source file of the project (C++ sources and headers, the
# information-object table, CMake files, shell scripts) lacks the licence
# line "SPDX-License-Identifier: Apache-2.0" in its first three lines (the
# second after a "#!" line). The fuzz seed corpus is data, not source. To
# prove it looks at the tree, it also fails when it finds few files. Files
# under build/ are not looked at.

set(_licence "SPDX-License-Identifier: Apache-2.0")
file(GLOB_RECURSE _sources LIST_DIRECTORIES false
     "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.def"
     "${SOURCE_DIR}/tools/*.cpp" "${SOURCE_DIR}/tools/*.h"
     "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h" "${SOURCE_DIR}/tests/*.sh"
     "${SOURCE_DIR}/tests/*.cmake" "${SOURCE_DIR}/bench/*.cpp" "${SOURCE_DIR}/bench/*.h"
     "${SOURCE_DIR}/fuzz/*.cpp" "${SOURCE_DIR}/cmake/*.cmake" "${SOURCE_DIR}/scripts/*"
     "${SOURCE_DIR}/packaging/*.sh" "${SOURCE_DIR}/*/CMakeLists.txt")
list(APPEND _sources "${SOURCE_DIR}/CMakeLists.txt" "${SOURCE_DIR}/.ci/run")
list(FILTER _sources EXCLUDE REGEX "/fuzz/corpus/")
# Build trees inside the checkout (build/, where the scripts put theirs) hold
# generated files and unpacked copies of other revisions, not our sources.
string(LENGTH "${SOURCE_DIR}/build/" _buildPrefixLength)
set(_ours)
foreach(_file IN LISTS _sources)
  string(SUBSTRING "${_file}" 0 ${_buildPrefixLength} _prefix)
  if(NOT _prefix STREQUAL "${SOURCE_DIR}/build/")
    list(APPEND _ours "${_file}")
  endif()
endforeach()
set(_sources ${_ours})

set(_missing)
list(LENGTH _sources _count)
foreach(_file IN LISTS _sources)
  file(STRINGS "${_file}" _head LIMIT_COUNT 3)
  string(FIND "${_head}" "${_licence}" _at)
  if(_at EQUAL -1)
    file(RELATIVE_PATH _name "${SOURCE_DIR}" "${_file}")
    list(APPEND _missing "${_name}")
  endif()
endforeach()

if(_count LESS 200)
  message(FATAL_ERROR "only ${_count} source files found under ${SOURCE_DIR}")
endif()
if(_missing)
  list(JOIN _missing "\n  " _list)
  message(FATAL_ERROR "without the licence line \"${_licence}\":\n  ${_list}")
endif()
message(STATUS "${_count} source files carry the licence line")
