# Turns each scenario document into a header holding its exact bytes, so the
# program carries its scenario and reads no file at run time.
#
#   borgo_embed_document(OUT_VAR <symbol> <source file>)
# appends the generated header to OUT_VAR; the header defines
#   inline constexpr char <symbol>[] = "...";  (the file's bytes, unchanged)
function(borgo_embed_document out_var symbol source)
  set(header ${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.hpp)
  add_custom_command(
    OUTPUT ${header}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DHEADER=${header} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_document.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/embed_document.cmake
    COMMENT "Embedding ${source}"
    VERBATIM)
  set(${out_var} ${${out_var}} ${header} PARENT_SCOPE)
endfunction()
