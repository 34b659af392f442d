# Compiles the Mac-only surface check on this host against a copy of the surface standing in
# for the SDK. Unchanged, the copy must pass; with one declaration of the copy edited
# (EDIT_FROM -> EDIT_TO), compilation must fail naming EXPECT.
# cmake -DCLANGXX=... -DSURFACE=... -DWORK=... [-DEDIT_FROM=... -DEDIT_TO=... -DEXPECT=...] -P
file(REMOVE_RECURSE ${WORK})
file(COPY ${SURFACE}/ DESTINATION ${WORK})
if(DEFINED EDIT_FROM)
    set(edited FALSE)
    file(GLOB_RECURSE headers ${WORK}/*.h)
    foreach(header IN LISTS headers)
        file(READ ${header} text)
        string(FIND "${text}" "${EDIT_FROM}" at)
        if(at GREATER -1)
            string(REPLACE "${EDIT_FROM}" "${EDIT_TO}" text "${text}")
            file(WRITE ${header} "${text}")
            set(edited TRUE)
        endif()
    endforeach()
    if(NOT edited)
        message(FATAL_ERROR "No header of the surface contains '${EDIT_FROM}'")
    endif()
endif()
execute_process(
    COMMAND ${CLANGXX} -fsyntax-only -std=c++20 -x objective-c++ -fobjc-arc
            -fobjc-runtime=macosx-11.0 -fblocks -Wall -Wextra -Werror
            -Woverriding-method-mismatch -Wincompatible-property-type -I${WORK}
            ${SURFACE}/SurfaceCheck.mm
    RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_VARIABLE errors)
if(NOT DEFINED EXPECT)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "The surface check rejects the unchanged surface:\n${errors}")
    endif()
    return()
endif()
if(status EQUAL 0)
    message(FATAL_ERROR "The surface check accepted '${EDIT_TO}' in place of '${EDIT_FROM}'")
endif()
string(FIND "${errors}" "${EXPECT}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "The surface check failed without naming ${EXPECT}:\n${errors}")
endif()
