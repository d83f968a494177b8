# WebAssembly with Debian's clang 19 and WASI libraries (clang-19, lld-19, libc++-19-dev-wasm32,
# libc++abi-19-dev-wasm32, libclang-rt-19-dev-wasm32, wasi-libc): the browser page's module.

set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# Debian's libc++abi for WebAssembly has no exception support: nothing may throw.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions")
# Checks compile, never link: a WASI program could not run here anyway.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/lib/wasm32-wasi /usr/include/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
