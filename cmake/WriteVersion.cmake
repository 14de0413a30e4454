# SPDX-License-Identifier: Apache-2.0
# Run at every build (cmake -P): writes the source of app::VersionText() with the project's
# version and `git describe` of the checkout, and touches it only when the text changes, so that
# a build of the same commit recompiles nothing.
# In: VERSION, SOURCE_DIR, OUTPUT. A copy of the checkout without its history (the package
# build's) carries the description in .git-description.
set(described "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${SOURCE_DIR}/.git)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} describe --always --dirty
    OUTPUT_VARIABLE described
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
elseif(EXISTS ${SOURCE_DIR}/.git-description)
  file(STRINGS ${SOURCE_DIR}/.git-description described LIMIT_COUNT 1)
endif()
if(described MATCHES "^[0-9a-z.-]+$")
  set(text "${VERSION} (git ${described})")
else()
  set(text "${VERSION}")
endif()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT [[
// Written by cmake/WriteVersion.cmake at build time.
#include "app/Version.h"

namespace kestrel::app {

std::string_view VersionText() {
  return "@text@";
}

}  // namespace kestrel::app
]] @ONLY)
