# Writes OUTPUT, the header naming this build of the program: a hash of
# every file under SOURCE_DIR (names and contents), so that two stubs built
# from the same sources carry the same identity, whatever the machine. The
# header is rewritten only when the identity changed, so that an unchanged
# tree builds nothing again.
file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
list(SORT files)
set(listing "")
foreach(name IN LISTS files)
  file(SHA256 "${SOURCE_DIR}/${name}" hash)
  string(APPEND listing "${name} ${hash}\n")
endforeach()
string(SHA256 identity "${listing}")
string(SUBSTRING "${identity}" 0 16 identity)
set(text "#define BRASK_BUILD_IDENTITY \"${identity}\"\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
