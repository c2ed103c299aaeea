set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OX_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
# 64-bit programs run under Wine on the build machine, so tests can run.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
