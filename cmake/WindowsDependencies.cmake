# SPDX-License-Identifier: Apache-2.0
# The libraries of the Windows build. The header-only ones (CLI11, nlohmann/json) are Debian's own
# headers, seen through a folder that holds nothing else, so that the Linux system's C headers
# never reach the cross compiler. GoogleTest is built from Debian's sources by the cross compiler
# (its CMake file names the targets GTest::gtest and GTest::gtest_main, as the Linux package does).
set(KESTREL_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(folder CLI nlohmann)
  file(MAKE_DIRECTORY ${KESTREL_HOST_HEADERS})
  file(CREATE_LINK /usr/include/${folder} ${KESTREL_HOST_HEADERS}/${folder} SYMBOLIC)
endforeach()
foreach(library CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${library} INTERFACE IMPORTED)
  set_target_properties(${library} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${KESTREL_HOST_HEADERS})
endforeach()

if(KESTREL_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
