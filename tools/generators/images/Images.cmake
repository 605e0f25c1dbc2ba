# The built-in pictures: pq-gen-images draws them at build time (our own
# code, fixed seeds) and the archives are linked into the program.
file(GLOB PQ_GEN_IMAGES_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/generators/images/*.cpp)
pq_tool(pq-gen-images ${PQ_GEN_IMAGES_SOURCES})
target_link_libraries(pq-gen-images PRIVATE Qt6::Gui PkgConfig::LIBZIP)

set(PQ_IMAGES_ZIP ${PQ_GENERATED_DIR}/pastelloquin_images.zip)
set(PQ_FORM_IMAGES_ZIP ${PQ_GENERATED_DIR}/pastelloquin_form_images.zip)
set(PQ_SPLASH_ZIP ${PQ_GENERATED_DIR}/pastelloquin_splash.zip)
add_custom_command(
  OUTPUT ${PQ_IMAGES_ZIP} ${PQ_FORM_IMAGES_ZIP} ${PQ_SPLASH_ZIP}
  COMMAND pq-gen-images --out ${PQ_GENERATED_DIR}
  DEPENDS pq-gen-images
  COMMENT "Drawing the built-in pictures"
  VERBATIM)
add_custom_target(pq_generated_images DEPENDS ${PQ_IMAGES_ZIP} ${PQ_FORM_IMAGES_ZIP} ${PQ_SPLASH_ZIP})
add_dependencies(pq_platform pq_generated_images)

pq_embed(PASTELLOQUIN_IMAGES ${PQ_IMAGES_ZIP})
pq_embed(PASTELLOQUIN_FORM_IMAGES ${PQ_FORM_IMAGES_ZIP})
pq_embed(PASTELLOQUIN_SPLASH ${PQ_SPLASH_ZIP})
