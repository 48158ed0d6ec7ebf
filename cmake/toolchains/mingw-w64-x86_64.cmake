# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model, which
# std::thread and Qt need). Tests run under wine through the emulator wrapper.
#
# VEXREM_WINDOWS_DEPS points at the folder scripts/windows-deps fills (Qt, PCRE2,
# GoogleTest, the boost include folder); it is searched like a sysroot.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(PKG_CONFIG_EXECUTABLE ${_triple}-pkg-config CACHE STRING "" FORCE)

if(NOT DEFINED VEXREM_WINDOWS_DEPS)
  if(DEFINED ENV{VEXREM_WINDOWS_DEPS})
    set(VEXREM_WINDOWS_DEPS "$ENV{VEXREM_WINDOWS_DEPS}")
  else()
    set(VEXREM_WINDOWS_DEPS /var/cache/vexrem-windows)
  endif()
endif()
# try_compile projects get a fresh cache: pass the folder on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXREM_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
foreach(_dep qt6 pcre2 googletest boost)
  if(EXISTS "${VEXREM_WINDOWS_DEPS}/${_dep}")
    list(APPEND CMAKE_FIND_ROOT_PATH "${VEXREM_WINDOWS_DEPS}/${_dep}")
  endif()
endforeach()
set(ENV{PKG_CONFIG_PATH} "${VEXREM_WINDOWS_DEPS}/pcre2/lib/pkgconfig")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes are linked in, so the exe needs no mingw DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test executables and try_run go through wine in a private prefix.
get_filename_component(_vexrem_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vexrem_root}/scripts/wine-run")
