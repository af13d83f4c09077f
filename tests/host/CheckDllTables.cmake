# Checks a module's tables as the Windows loader sees them:
#   cmake -DOBJDUMP=<cross objdump> -DMODULE=<dll> [-DFORMAT=pei-x86-64]
#         [-DEXPORTS=name;...] -P CheckDllTables.cmake
# - it is a DLL (of the expected file format);
# - it exports exactly EXPORTS (default: VSTPluginMain and main), all names at one address;
# - it imports only system DLLs: a runtime DLL (libstdc++, libgcc, winpthread) would have to be
#   shipped and found next to the module, and hosts load it from anywhere.
cmake_minimum_required(VERSION 3.25)

if(NOT FORMAT)
    set(FORMAT pei-x86-64)
endif()
if(NOT EXPORTS)
    set(EXPORTS "VSTPluginMain;main")
endif()
set(expected_exports "${EXPORTS}")
# Compared in lower case: the loader treats DLL names case-insensitively.
set(allowed_imports "kernel32.dll;msvcrt.dll")

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump ERROR_VARIABLE error
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed (${result}): ${error}")
endif()

set(failures "")
if(NOT dump MATCHES "file format ${FORMAT}\n")
    string(APPEND failures "not of file format ${FORMAT}\n")
endif()
if(NOT dump MATCHES "Characteristics [^\n]*\n(\t[^\n]*\n)*\tDLL\n")
    string(APPEND failures "not marked as a DLL\n")
endif()

# objdump lists the export address table as "[index] +base[ordinal] RVA Export RVA" and the
# names as "[index] name", where index is the name's slot in the address table.
string(REPLACE "\n" ";" lines "${dump}")
set(section "")
set(exports "")
set(imports "")
foreach(line IN LISTS lines)
    if(line MATCHES "^Export Address Table -- ")
        set(section addresses)
    elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
        set(section names)
    elseif(line STREQUAL "")
        set(section "")
    elseif(section STREQUAL "addresses" AND line MATCHES "^\t\\[ *([0-9]+)\\] \\+base\\[ *[0-9]+\\] +([0-9a-fA-F]+) ")
        set(address_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    elseif(section STREQUAL "names" AND line MATCHES "^\t\\[ *([0-9]+)\\] (.+)$")
        list(APPEND exports ${CMAKE_MATCH_2})
        set(slot_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
    endif()
    if(line MATCHES "^\tDLL Name: (.+)$")
        string(TOLOWER "${CMAKE_MATCH_1}" dll)
        list(APPEND imports ${dll})
    endif()
endforeach()

list(SORT exports)
set(sorted_expected ${expected_exports})
list(SORT sorted_expected)
if(NOT exports STREQUAL sorted_expected)
    string(APPEND failures "exports '${exports}', expected exactly '${sorted_expected}'\n")
else()
    set(addresses "")
    foreach(name IN LISTS exports)
        list(APPEND addresses "${address_${slot_${name}}}")
    endforeach()
    list(REMOVE_DUPLICATES addresses)
    list(LENGTH addresses distinct)
    if(NOT distinct EQUAL 1 OR addresses STREQUAL "")
        string(APPEND failures "the entry names lead to different addresses: '${addresses}'\n")
    endif()
endif()

if(imports STREQUAL "")
    string(APPEND failures "no import table found\n")
endif()
foreach(dll IN LISTS imports)
    if(NOT dll IN_LIST allowed_imports)
        string(APPEND failures "imports ${dll}, which is not a system DLL\n")
    endif()
endforeach()

if(failures)
    message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: exports ${exports} at one address; imports ${imports}")
