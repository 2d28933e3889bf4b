# SPDX-License-Identifier: Apache-2.0
# Picks the platform file of a library: <stem>_win32.cpp on Windows,
# <stem>_<posix_flavour>.cpp elsewhere.
function(quellmark_platform_source out stem posix_flavour)
  if(WIN32)
    set(${out} "${stem}_win32.cpp" PARENT_SCOPE)
  else()
    set(${out} "${stem}_${posix_flavour}.cpp" PARENT_SCOPE)
  endif()
endfunction()
