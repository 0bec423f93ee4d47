# The two hashing libraries, built from the sources Debian installs, and GoogleTest.

# xxHash: the header holds the whole implementation; it is compiled once here.
find_file(VM_XXHASH_HEADER xxhash.h PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
configure_file(${VM_XXHASH_HEADER} ${CMAKE_BINARY_DIR}/deps/xxhash/xxhash.h COPYONLY)
add_library(vm_xxhash STATIC engine/xxhash_impl.c)
target_include_directories(vm_xxhash PUBLIC ${CMAKE_BINARY_DIR}/deps/xxhash)
target_compile_definitions(vm_xxhash PUBLIC XXH_STATIC_LINKING_ONLY)
target_compile_options(vm_xxhash PRIVATE -O3)

# BLAKE3: the reference C library with its x86-64 kernels; blake3_dispatch.c
# picks the fastest kernel the processor supports at run time.
file(GLOB VM_BLAKE3_DIRS LIST_DIRECTORIES true /usr/share/cargo/registry/blake3-*/c)
list(SORT VM_BLAKE3_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET VM_BLAKE3_DIRS 0 VM_BLAKE3_DIR)
if(NOT EXISTS ${VM_BLAKE3_DIR}/blake3.h)
    message(FATAL_ERROR "BLAKE3 C sources not found; install librust-blake3-dev")
endif()
add_library(vm_blake3 STATIC
    ${VM_BLAKE3_DIR}/blake3.c
    ${VM_BLAKE3_DIR}/blake3_dispatch.c
    ${VM_BLAKE3_DIR}/blake3_portable.c
    ${VM_BLAKE3_DIR}/blake3_sse2_x86-64_windows_gnu.S
    ${VM_BLAKE3_DIR}/blake3_sse41_x86-64_windows_gnu.S
    ${VM_BLAKE3_DIR}/blake3_avx2_x86-64_windows_gnu.S
    ${VM_BLAKE3_DIR}/blake3_avx512_x86-64_windows_gnu.S
)
target_include_directories(vm_blake3 PUBLIC ${VM_BLAKE3_DIR})
target_compile_options(vm_blake3 PRIVATE $<$<COMPILE_LANGUAGE:C>:-O3>)

# libgcrypt and libgpg-error, Debian's Windows builds. The programs load the
# two DLLs from their own folder when a signature is checked or SHA-1 and SHA-2
# hash a larger file, and run without them otherwise, so the DLLs are copied
# beside every program that checks or hashes. gcrypt.h is in the compiler's
# own include folder, which every layer sees.
find_file(VM_GCRYPT_HEADER gcrypt.h PATHS /usr/x86_64-w64-mingw32/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_GCRYPT_DLL libgcrypt-20.dll PATHS /usr/x86_64-w64-mingw32/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_file(VM_GPG_ERROR_DLL libgpg-error-0.dll PATHS /usr/x86_64-w64-mingw32/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
# libksba reads X.509 certificates and CMS time stamps for Sigstore bundles, loaded the same way.
find_file(VM_KSBA_DLL libksba-8.dll PATHS /usr/x86_64-w64-mingw32/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# nlohmann-json, header-only: copied out of /usr/include, which holds Linux's headers.
find_file(VM_NLOHMANN_JSON nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
get_filename_component(VM_NLOHMANN_DIR ${VM_NLOHMANN_JSON} DIRECTORY)
file(COPY ${VM_NLOHMANN_DIR} DESTINATION ${CMAKE_BINARY_DIR}/deps/nlohmann_json)
add_library(vm_nlohmann_json INTERFACE)
target_include_directories(vm_nlohmann_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/deps/nlohmann_json)

function(vm_copy_crypto_dlls target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VM_GCRYPT_DLL} ${VM_GPG_ERROR_DLL} ${VM_KSBA_DLL} $<TARGET_FILE_DIR:${target}>
        VERBATIM)
endfunction()

# GoogleTest, cross-built with the same toolchain.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
