# SPDX-License-Identifier: Apache-2.0
# Fails when a tracked C++ file differs from what clang-format makes of it
# with the tree's .clang-format; a missing clang-format or git is a failure.
#
#   cmake -DCLANG_FORMAT=PATH -DGIT=PATH -DSOURCE_DIR=DIR -P CheckFormat.cmake
if(NOT CLANG_FORMAT)
  message(FATAL_ERROR "clang-format not found: install it (scripts/lib/packages.sh lists it) and configure again")
endif()
if(NOT GIT)
  message(FATAL_ERROR "git not found: the tracked C++ files cannot be listed")
endif()

execute_process(COMMAND "${GIT}" ls-files -- "*.cpp" "*.h"
                WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE status OUTPUT_VARIABLE listed ERROR_VARIABLE error)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "git ls-files failed in ${SOURCE_DIR}: ${error}")
endif()
string(REPLACE "\n" ";" listed "${listed}")
set(files "")
foreach(file IN LISTS listed)
  # A file deleted in the working tree but not yet in the index is not checked.
  if(file AND EXISTS "${SOURCE_DIR}/${file}")
    list(APPEND files "${file}")
  endif()
endforeach()
if(NOT files)
  message(FATAL_ERROR "git lists no C++ files in ${SOURCE_DIR}")
endif()

execute_process(COMMAND "${CLANG_FORMAT}" --dry-run --Werror ${files}
                WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status EQUAL 0)
  list(LENGTH files count)
  message(STATUS "${count} C++ files formatted")
  return()
endif()
string(REGEX MATCHALL "[^\n]+:[0-9]+:[0-9]+: error: code should be clang-formatted" findings "${output}")
set(unformatted "")
foreach(finding IN LISTS findings)
  string(REGEX REPLACE ":[0-9]+:[0-9]+: error: code should be clang-formatted$" "" file "${finding}")
  list(APPEND unformatted "${file}")
endforeach()
list(REMOVE_DUPLICATES unformatted)
if(NOT unformatted)
  # Not a finding about the code: the configuration or the tool failed.
  message(FATAL_ERROR "${CLANG_FORMAT} failed (exit status ${status}):\n${output}")
endif()
list(LENGTH unformatted count)
list(JOIN unformatted "\n  " shown)
message(FATAL_ERROR "${count} C++ files are not formatted; clang-format -i FILE formats one:\n  ${shown}")
