# Native 64-bit Linux: records take the natural pointer width.
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
