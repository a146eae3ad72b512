# CMake toolchain file: cross-compile for 64-bit Windows with Debian's
# MinGW-w64 compilers, POSIX thread model (std::thread, std::mutex work).
#
# Used to build qtbase and libmecab in windows/toolchain.sh, and by the
# program's own build:
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=windows/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH="<cache>/qt;<cache>/mecab" ...
# Each directory in CMAKE_PREFIX_PATH is also added to CMAKE_FIND_ROOT_PATH,
# so find_package(Qt6) finds the cross Qt although the search is confined
# to the target's roots.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${MINGW_TRIPLE}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP      ${MINGW_TRIPLE}-objdump CACHE FILEPATH "")
set(CMAKE_STRIP        ${MINGW_TRIPLE}-strip CACHE FILEPATH "")

# Target libraries and headers live only here (and in the prefixes below);
# programs (moc, uic, rcc, perl...) are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
foreach(_yomika_prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH "${_yomika_prefix}")
endforeach()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's pkg-config would hand out Linux libraries: confine it.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
