# The editor's images: brindlex_image_files(<var>) sets <var> to their paths under
# ${PROJECT_BINARY_DIR}, where the brindlex_images target paints them
# (resources/img/<name>.png, as a bundle's Contents/Resources folder holds them). The names are
# read from the effect's resource.h, which keeps them one to a line.
set(BRINDLEX_RESOURCE_HEADER ${PROJECT_SOURCE_DIR}/effects/Brindlex/resource.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${BRINDLEX_RESOURCE_HEADER})

function(brindlex_image_files out)
  file(STRINGS ${BRINDLEX_RESOURCE_HEADER} lines REGEX "\"resources/img/[^\"]+\"")
  set(files "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "resources/img/[^\"]+" name "${line}")
    list(APPEND files ${PROJECT_BINARY_DIR}/${name})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
