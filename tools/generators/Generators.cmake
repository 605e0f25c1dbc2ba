# Build-time generators of the built-in data. Each one is our own code: it
# writes its output into the build tree, and pq_embed links the output in.
set(PQ_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${PQ_GENERATED_DIR})

include(${CMAKE_SOURCE_DIR}/tools/generators/images/Images.cmake)

# The built-in looks (PASTELLOQUIN_LUTS).
include(${CMAKE_SOURCE_DIR}/tools/generators/luts/Luts.cmake)

# The built-in scripts (PASTELLOQUIN_SCRIPTS).
include(${CMAKE_SOURCE_DIR}/tools/generators/scripts/Scripts.cmake)
