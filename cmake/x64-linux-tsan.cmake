# Native 64-bit Linux with ThreadSanitizer, halting on the first report: for
# the test of instances processing on several threads at once.
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(OX_TSAN_FLAGS "-fsanitize=thread -fno-omit-frame-pointer")
set(CMAKE_C_FLAGS_INIT "${OX_TSAN_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${OX_TSAN_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${OX_TSAN_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${OX_TSAN_FLAGS}")
