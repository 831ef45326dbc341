# Cross-building katsort for arm64 on Debian with g++-aarch64-linux-gnu. The
# program links against the arm64 C and C++ libraries of an arm64 Debian, as
# a native build there would; qemu-aarch64 runs the tests with them
# (libc6-arm64-cross and libstdc++6-arm64-cross put them under the sysroot).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(KATSORT_ARM64_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${KATSORT_ARM64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# ctest runs the arm64 programs through qemu, with the arm64 libraries.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${KATSORT_ARM64_SYSROOT})
