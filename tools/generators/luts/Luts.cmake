# The built-in looks: pq-gen-luts samples our own grading functions into
# .cube tables at build time and packs them; the archive is linked in.
file(GLOB PQ_GEN_LUTS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/generators/luts/*.cpp)
pq_tool(pq-gen-luts ${PQ_GEN_LUTS_SOURCES})
target_link_libraries(pq-gen-luts PRIVATE PkgConfig::LIBZIP)

set(PQ_LUTS_ZIP ${PQ_GENERATED_DIR}/pastelloquin_luts.zip)
add_custom_command(
  OUTPUT ${PQ_LUTS_ZIP}
  COMMAND pq-gen-luts --out ${PQ_LUTS_ZIP}
  DEPENDS pq-gen-luts
  COMMENT "Sampling the built-in looks"
  VERBATIM)
add_custom_target(pq_generated_luts DEPENDS ${PQ_LUTS_ZIP})
add_dependencies(pq_platform pq_generated_luts)

pq_embed(PASTELLOQUIN_LUTS ${PQ_LUTS_ZIP})
