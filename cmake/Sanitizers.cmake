# Instrumented builds, clang only. KELDRA_SANITIZE builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, any report ending the process (scripts/test --sanitize).
# KELDRA_FUZZ does the same with libFuzzer's coverage added and builds the fuzz targets of
# tests/fuzz (scripts/fuzz). The normal build is left as it is.
option(KELDRA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer (clang)" OFF)
option(KELDRA_FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)

if(KELDRA_SANITIZE OR KELDRA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KELDRA_SANITIZE and KELDRA_FUZZ need clang: -DCMAKE_CXX_COMPILER=clang++-14")
    endif()
    set(KELDRA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                               -fno-omit-frame-pointer)
    add_compile_options(${KELDRA_SANITIZER_FLAGS})
    add_link_options(${KELDRA_SANITIZER_FLAGS})
endif()
if(KELDRA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
