# The built-in scripts (PASTELLOQUIN_SCRIPTS): the .pqs files of
# scripting/library, deflated by pq-gen-scripts in the order listed here,
# which is the order of the editor's list.
pq_tool(pq-gen-scripts ${CMAKE_SOURCE_DIR}/tools/generators/scripts/main.cpp)
target_link_libraries(pq-gen-scripts PRIVATE PkgConfig::LIBZIP)

set(PQ_BUILTIN_SCRIPTS
  Circles_with_contours
  Comic_book
  Enhanced_ColorPencilSketch
  Enhanced_Watercolor
  Mosaic_with_contours
  Paint_on_sketch
  Pencil_blend
  Photo_Enhancer
  Pseudo_HDR
  Super_Pastel
  Super_Smooth
  Triangles_with_contours
  Triple_Watercolor)
list(TRANSFORM PQ_BUILTIN_SCRIPTS PREPEND ${CMAKE_SOURCE_DIR}/scripting/library/)
list(TRANSFORM PQ_BUILTIN_SCRIPTS APPEND .pqs)

set(PQ_SCRIPTS_ZIP ${PQ_GENERATED_DIR}/pastelloquin_scripts.zip)
add_custom_command(
  OUTPUT ${PQ_SCRIPTS_ZIP}
  COMMAND pq-gen-scripts --out ${PQ_SCRIPTS_ZIP} ${PQ_BUILTIN_SCRIPTS}
  DEPENDS pq-gen-scripts ${PQ_BUILTIN_SCRIPTS}
  COMMENT "Packing the built-in scripts"
  VERBATIM)
add_custom_target(pq_generated_scripts DEPENDS ${PQ_SCRIPTS_ZIP})
add_dependencies(pq_platform pq_generated_scripts)

pq_embed(PASTELLOQUIN_SCRIPTS ${PQ_SCRIPTS_ZIP})
