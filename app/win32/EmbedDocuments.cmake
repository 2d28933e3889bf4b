# quellmark_embed_documents(target): compiles the resource script with the
# two status page documents into an executable. A resource object carries no
# symbols, so a linker never takes it out of a static library: every
# executable that looks the documents up compiles the script itself.
function(quellmark_embed_documents target)
  set(script "${PROJECT_SOURCE_DIR}/resources/Documents.rc")
  get_filename_component(doc_dir "${QUELLMARK_STATUS_DOCUMENT}" DIRECTORY)
  target_sources(${target} PRIVATE "${script}")
  set_property(SOURCE "${script}" TARGET_DIRECTORY ${target}
    APPEND PROPERTY OBJECT_DEPENDS "${QUELLMARK_STATUS_DOCUMENT}" "${QUELLMARK_MINSTATUS_DOCUMENT}")
  target_include_directories(${target} PRIVATE "${doc_dir}")
  add_dependencies(${target} StatusDocuments)
endfunction()
