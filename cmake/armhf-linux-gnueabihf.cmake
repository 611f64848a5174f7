# SPDX-License-Identifier: Apache-2.0
# Cross build for the controller: 32-bit ARM (hard-float EABI) Linux with
# Debian's cross compiler g++-arm-linux-gnueabihf. SQLite and GoogleTest come
# from Debian multiarch packages (dpkg --add-architecture armhf, then
# libsqlite3-dev:armhf and libgtest-dev:armhf).
#
#   cmake -S . -B build/armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-linux-gnueabihf.cmake
#
# Tests run under qemu-arm (package qemu-user) as the cross-compiling
# emulator; set QX_ARMHF_EMULATOR to an empty string to build without tests.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# The cross package's own sysroot first, then the multiarch tree of the host
# (libraries in /usr/lib/arm-linux-gnueabihf, CMake packages below it).
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf /)
# Programs are host tools; libraries and CMake packages only from the target
# trees (lib/arm-linux-gnueabihf); headers from both, because multiarch
# headers live in the common /usr/include.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
# pkg-config (which FindOpenSSL asks first) reads the target's .pc files
# only; the host's would point the link at amd64 libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig)

# qemu-arm runs the test programs. -L points the ARM loader at the cross
# package's libc; the two -E make the guest's loader use that libc also for
# every library it loads later. Without them the cross loader mixes with the
# multiarch libc in /usr/lib/arm-linux-gnueabihf and every thread start
# crashes.
if(NOT DEFINED QX_ARMHF_EMULATOR)
  find_program(QX_QEMU_ARM qemu-arm)
  if(QX_QEMU_ARM)
    set(QX_ARMHF_EMULATOR
        "${QX_QEMU_ARM};-L;/usr/arm-linux-gnueabihf;-E;LD_LIBRARY_PATH=/lib;-E;QEMU_LD_PREFIX=/usr/arm-linux-gnueabihf")
  else()
    set(QX_ARMHF_EMULATOR "")
  endif()
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${QX_ARMHF_EMULATOR}")
