# Reads the SYSKIND that a type library (MSFT format) records for its target.
# Usage: cmake -DTLB=<file> -DSYSKIND=<1: 32-bit, 3: 64-bit> -P check_syskind.cmake
if(NOT EXISTS "${TLB}")
  message(FATAL_ERROR "type library not found: ${TLB}")
endif()
file(READ "${TLB}" header LIMIT 24 HEX)
string(SUBSTRING "${header}" 0 8 magic)
if(NOT magic STREQUAL "4d534654")  # "MSFT"
  message(FATAL_ERROR "${TLB} is not an MSFT type library (magic ${magic})")
endif()
# The low bits of the flags word at offset 20 hold the SYSKIND.
string(SUBSTRING "${header}" 41 1 syskind)
math(EXPR syskind "0x${syskind}" OUTPUT_FORMAT DECIMAL)
if(NOT syskind EQUAL SYSKIND)
  message(FATAL_ERROR "${TLB}: SYSKIND ${syskind}, expected ${SYSKIND}")
endif()
message(STATUS "${TLB}: SYSKIND ${syskind}")
