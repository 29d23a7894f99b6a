# Checks an exe's machine type and flags, that it imports only DLLs that
# every Windows has, and that it carries its manifest as the invoker and with
# the systems it was tested on.
# Run with -DEXE=... -DARCH=i686|x86_64 -DOBJDUMP=...
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read ${EXE}")
endif()

if(ARCH STREQUAL "i686")
  set(expected_format "pei-i386")
else()
  set(expected_format "pei-x86-64")
endif()
if(NOT dump MATCHES "file format ${expected_format}")
  message(FATAL_ERROR "${EXE} is not ${expected_format}")
endif()

# Without the flag a terminal server runs it with the shims of old programs.
if(NOT dump MATCHES "TERMINAL_SERVICE_AWARE")
  message(FATAL_ERROR "${EXE} is not marked terminal-server aware")
endif()

set(system_dlls KERNEL32.DLL USER32.DLL GDI32.DLL SHELL32.DLL OLE32.DLL MSVCRT.DLL)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "${EXE} lists no imports")
endif()
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  # The system finds a DLL whatever the case of its name.
  string(TOUPPER "${dll}" upper)
  list(FIND system_dlls "${upper}" known)
  if(known EQUAL -1)
    message(FATAL_ERROR "${EXE} imports ${dll}, which not every Windows has")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

# The manifest: resource type 24, id 1, read from the file through the
# resource directory that objdump prints.
set(entry "[^\n]*\n *[0-9a-f]+ +")
if(NOT dump MATCHES "Entry: ID: 0x000018${entry}${entry}Entry: ID: 0x000001${entry}${entry}${entry}Leaf: Addr: (0x[0-9a-f]+), Size: (0x[0-9a-f]+)")
  message(FATAL_ERROR "${EXE} has no manifest of id 1")
endif()
set(leaf ${CMAKE_MATCH_1})
set(size ${CMAKE_MATCH_2})
execute_process(COMMAND ${OBJDUMP} -h ${EXE} OUTPUT_VARIABLE sections)
string(REGEX MATCH "ImageBase[ \t]+([0-9a-f]+)" found "${dump}")
set(base 0x${CMAKE_MATCH_1})
string(REGEX MATCH "\\.rsrc +[0-9a-f]+ +([0-9a-f]+) +[0-9a-f]+ +([0-9a-f]+)" found "${sections}")
math(EXPR offset "${leaf} - (0x${CMAKE_MATCH_1} - ${base}) + 0x${CMAKE_MATCH_2}")
math(EXPR size "${size}")
file(READ ${EXE} manifest OFFSET ${offset} LIMIT ${size})
if(NOT manifest MATCHES "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>")
  message(FATAL_ERROR "the manifest of ${EXE} does not ask to run as the invoker:\n${manifest}")
endif()
# A Windows missing here runs the exe in the context of the latest one listed
# before it: with that system's older behaviours, and GetVersionEx reporting
# that system's version.
foreach(os IN ITEMS "Vista:e2011457-1546-43c5-a5fe-008deee3d3f0"
                    "7:35138b9a-5d96-4fbd-8e2d-a2440225f93a"
                    "8:4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38"
                    "8.1:1f676c76-80e1-4239-95bb-83d0f6d0da78"
                    "10 and 11:8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")
  string(REPLACE ":" ";" os "${os}")
  list(GET os 0 name)
  list(GET os 1 id)
  if(NOT manifest MATCHES "<supportedOS Id=\"{${id}}\"/>")
    message(FATAL_ERROR "the manifest of ${EXE} does not declare Windows ${name} ({${id}}) supported:\n${manifest}")
  endif()
endforeach()
message(STATUS "manifest of ${size} bytes, as the invoker, for Windows Vista to 11")
