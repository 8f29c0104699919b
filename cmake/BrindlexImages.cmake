# The editor's images. make-images paints them into ${BRINDLEX_IMAGE_DIR} (the names the effect's
# resource table gives, as a bundle's Contents/Resources folder holds them); the build knows them
# only as that folder and the stamp the painting leaves, so no list of names is kept here.
set(BRINDLEX_IMAGE_DIR ${PROJECT_BINARY_DIR}/resources/img)
set(BRINDLEX_IMAGE_STAMP ${PROJECT_BINARY_DIR}/resources/img.stamp)

# brindlex_bundle_images(<target> <resources folder>): a target that copies the painted images
# into a bundle's resources folder whenever they are painted anew.
function(brindlex_bundle_images target resources)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${resources}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${BRINDLEX_IMAGE_DIR} ${resources}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${BRINDLEX_IMAGE_STAMP} brindlex_images
    COMMENT "Copying the editor's images into ${resources}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${stamp})
endfunction()
