# Unpacks the release archive afresh for the tests that read what it holds.
#
#   cmake -D ARCHIVE=... -D INTO=... -P Unpack.cmake
file(REMOVE_RECURSE "${INTO}")
file(ARCHIVE_EXTRACT INPUT "${ARCHIVE}" DESTINATION "${INTO}")
