# Shared by the checks of a built Windows program: reads what OBJDUMP -p
# prints of PROGRAM into `header`, or fails. The variables named in
# `required` (OBJDUMP and PROGRAM at least) must be set.
foreach(variable IN LISTS required)
    if(NOT ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
                OUTPUT_VARIABLE header ERROR_VARIABLE problem RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${problem}")
endif()
