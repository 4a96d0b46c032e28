# Copies a shipped document, after checking that each "Korvel v<version>" it
# holds names the project's version: the version is set in CMakeLists.txt,
# and a document left at an older one fails the build instead of shipping.
#
#   cmake -D SOURCE=... -D TARGET=... -D VERSION=... -P CopyDocument.cmake
file(READ "${SOURCE}" text)
string(REGEX MATCHALL "Korvel v[0-9]+(\\.[0-9]+)*" named "${text}")
list(REMOVE_DUPLICATES named)
if(NOT named STREQUAL "Korvel v${VERSION}")
  message(FATAL_ERROR "${SOURCE} names \"${named}\"; Korvel is version ${VERSION} "
                      "(project() in CMakeLists.txt): write \"Korvel v${VERSION}\" there")
endif()
configure_file("${SOURCE}" "${TARGET}" COPYONLY)
