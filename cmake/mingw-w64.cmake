# SPDX-License-Identifier: Apache-2.0
# Cross-builds 64-bit Windows programs with Debian's MinGW-w64, the posix-threads flavour (its
# libstdc++ has std::jthread). Everything links statically, so an .exe runs without DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${KESTREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_PREFIX}-windres)

# Libraries and headers come from the cross compiler's own tree, never from the Linux system's.
set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Qt for Windows that scripts/build-qt-windows built, when named: searched like the cross
# compiler's own tree, with Debian's host tools (moc, rcc, uic) of the same version.
if(KESTREL_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KESTREL_WINDOWS_QT})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Targets Windows 8 and later (SetFileInformationByHandle); the wide functions are the default. The
# C library offers localtime_r as POSIX systems do, and MinGW's own printf family, which knows the
# C99 formats (%zu, %lld) that the system's msvcrt.dll does not.
add_compile_definitions(_WIN32_WINNT=0x0602 WINVER=0x0602 UNICODE _UNICODE
                        _POSIX_THREAD_SAFE_FUNCTIONS=200112L __USE_MINGW_ANSI_STDIO=1)
