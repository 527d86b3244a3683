# Native 64-bit Linux with AddressSanitizer and UndefinedBehaviorSanitizer,
# halting on the first report.
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(OX_SANITIZE_FLAGS "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(CMAKE_C_FLAGS_INIT "${OX_SANITIZE_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${OX_SANITIZE_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${OX_SANITIZE_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${OX_SANITIZE_FLAGS}")
