# Shared by both MinGW-w64 toolchain files; expects OX_TRIPLE.
# The -posix compilers carry std::thread/std::mutex (the win32 variant lacks them).
set(CMAKE_C_COMPILER ${OX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OX_TRIPLE}-windres)
set(OX_WIDL ${OX_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${OX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
