# The engine scripts travel in a resource bundle folder that the program looks
# up at run time beside its executable (and under share/ravelond once installed).
set(RAVELOND_RESOURCE_BUNDLE_NAME "Ravelond_Ravelond.bundle")
set(RAVELOND_MLX_RESOURCES_DIR "${PROJECT_SOURCE_DIR}/resources/MLX")

# Copies the bundle next to TARGET's executable after every build.
function(ravelond_attach_resource_bundle target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory
            "$<TARGET_FILE_DIR:${target}>/${RAVELOND_RESOURCE_BUNDLE_NAME}/MLX"
    COMMAND ${CMAKE_COMMAND} -E copy_directory "${RAVELOND_MLX_RESOURCES_DIR}"
            "$<TARGET_FILE_DIR:${target}>/${RAVELOND_RESOURCE_BUNDLE_NAME}/MLX"
    VERBATIM)
endfunction()
