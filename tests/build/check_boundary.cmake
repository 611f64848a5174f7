# SPDX-License-Identifier: Apache-2.0
# cmake -DSOURCE_DIR=<tree> -DCOMPILE_COMMANDS=<build>/compile_commands.json -P check_boundary.cmake
#
# Fails when a translation unit under tools/ or src/app is compiled with
# src/inc/internal on its include path (it links iec60870_internal or adds
# the path itself), or when a file there includes a path containing
# inc/internal. To prove it looks at the right thing, it also fails when it
# finds no such unit at all, or when no test unit has the internal path.

set(_internal "${SOURCE_DIR}/src/inc/internal")
file(READ "${COMPILE_COMMANDS}" _json)
string(JSON _count LENGTH "${_json}")
math(EXPR _last "${_count} - 1")

set(_checked 0)
set(_test_units_with_internal 0)
set(_offenders)
foreach(_i RANGE ${_last})
  string(JSON _file GET "${_json}" ${_i} file)
  string(JSON _command ERROR_VARIABLE _no_command GET "${_json}" ${_i} command)
  if(_no_command)
    string(JSON _command GET "${_json}" ${_i} arguments)
  endif()
  string(FIND "${_command}" "${_internal}" _at)
  string(FIND "${_file}" "${SOURCE_DIR}/tools/" _in_tools)
  string(FIND "${_file}" "${SOURCE_DIR}/src/app/" _in_app)
  string(FIND "${_file}" "${SOURCE_DIR}/tests/" _in_tests)
  if(_in_tools EQUAL 0 OR _in_app EQUAL 0)
    math(EXPR _checked "${_checked} + 1")
    if(NOT _at EQUAL -1)
      list(APPEND _offenders "${_file} (compiled with ${_internal})")
    endif()
  elseif(_in_tests EQUAL 0 AND NOT _at EQUAL -1)
    math(EXPR _test_units_with_internal "${_test_units_with_internal} + 1")
  endif()
endforeach()

file(GLOB_RECURSE _sources "${SOURCE_DIR}/tools/*.cpp" "${SOURCE_DIR}/tools/*.h"
     "${SOURCE_DIR}/src/app/*.cpp" "${SOURCE_DIR}/src/app/*.h")
foreach(_source IN LISTS _sources)
  file(STRINGS "${_source}" _lines REGEX "^[ \t]*#[ \t]*include.*inc/internal")
  if(_lines)
    list(APPEND _offenders "${_source} (includes ${_lines})")
  endif()
endforeach()

if(_checked EQUAL 0)
  message(FATAL_ERROR "no unit under tools/ or src/app in ${COMPILE_COMMANDS}")
endif()
if(_test_units_with_internal EQUAL 0)
  message(FATAL_ERROR "no test unit compiled with ${_internal}: the check looks for the wrong path")
endif()
if(_offenders)
  list(JOIN _offenders "\n  " _text)
  message(FATAL_ERROR "internal headers of iec60870 outside tests, bench and fuzz:\n  ${_text}")
endif()
message(STATUS "${_checked} units of tools/ and src/app use the public API only")
