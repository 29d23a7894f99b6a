# Fails when an exe is larger than MAX_BYTES. Run with -DEXE=... -DMAX_BYTES=...
file(SIZE ${EXE} bytes)
if(bytes GREATER MAX_BYTES)
  message(FATAL_ERROR "${EXE} is ${bytes} B, over its limit of ${MAX_BYTES} B")
endif()
message(STATUS "${EXE} is ${bytes} B, at most ${MAX_BYTES} B")
