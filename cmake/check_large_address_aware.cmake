# Fails unless PROGRAM is marked large-address-aware (0x20 in the PE header's
# Characteristics, as OBJDUMP -p reads them). Without the mark a 32-bit
# program gets 2 GiB of address space even on 64-bit Windows, with the mark
# 4 GiB, and a sample block is held in memory whole.
#   cmake -DOBJDUMP=... -DPROGRAM=... -P check_large_address_aware.cmake
foreach(variable OBJDUMP PROGRAM)
    if(NOT ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
                OUTPUT_VARIABLE header ERROR_VARIABLE problem RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${problem}")
endif()
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
