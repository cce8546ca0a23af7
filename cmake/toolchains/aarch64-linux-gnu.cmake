# Cross build for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu) and its multiarch :arm64 libraries:
#   cmake -S . -B build-aarch64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
# Tests run under qemu-aarch64 (Debian's qemu-user), which finds the target's
# C and C++ runtime under /usr/aarch64-linux-gnu.
#
# That runtime's loader must load its own C library: the multiarch libc6:arm64
# (pulled in by libpng-dev:arm64) may be a different build, and a loader and
# C library of two builds hang at the first thread. The library path of the
# emulated program therefore names the cross runtime first.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Headers are shared between architectures under /usr/include; libraries and
# CMake package files of the target live in the multiarch folders, which
# CMAKE_LIBRARY_ARCHITECTURE makes the searches prefer. Programs come from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
# pkg-config reports only the target's packages (no arm64 GTK: no dialog backend).
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

find_program(ORV_QEMU_AARCH64 qemu-aarch64)
if(ORV_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORV_QEMU_AARCH64} -L /usr/aarch64-linux-gnu
      -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)
endif()
