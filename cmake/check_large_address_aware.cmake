# Fails unless PROGRAM is marked large-address-aware (0x20 in the PE header's
# Characteristics, as OBJDUMP -p reads them). Without the mark a 32-bit
# program gets 2 GiB of address space even on 64-bit Windows, with the mark
# 4 GiB, and a sample block is held in memory whole.
#   cmake -DOBJDUMP=... -DPROGRAM=... -P check_large_address_aware.cmake
set(required OBJDUMP PROGRAM)
include(${CMAKE_CURRENT_LIST_DIR}/read_pe_header.cmake)
string(REGEX MATCH "\nCharacteristics[ \t]+0x([0-9a-fA-F]+)" line "${header}")
if(NOT line)
    message(FATAL_ERROR "${PROGRAM} has no Characteristics that ${OBJDUMP} can read")
endif()
set(characteristics ${CMAKE_MATCH_1})
math(EXPR aware "0x${characteristics} & 0x20")
if(NOT aware)
    message(FATAL_ERROR "${PROGRAM} is not large-address-aware: Characteristics 0x${characteristics}")
endif()
message(STATUS "${PROGRAM} is large-address-aware: Characteristics 0x${characteristics}")
