# Script mode: writes OUT, the text for authors that the release archives
# carry, from the README's sections that tell it (README): "Install" (what
# each file is, the first commands) and "Editors: the language server". The
# README stays the one home of these facts.
file(READ ${README} readme)
string(CONCAT text "scenario-tools ${VERSION}: getting started. Two sections of the project's "
  "README,\nwhich tells the rest: its other sections are those the links name.\n")
foreach(heading IN ITEMS "## Install" "## Editors: the language server")
  string(FIND "${readme}" "\n${heading}\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "${README} has no section \"${heading}\"")
  endif()
  math(EXPR start "${start} + 1")
  string(SUBSTRING "${readme}" ${start} -1 section)
  # The section ends where the next of its level begins, or with the file.
  string(FIND "${section}" "\n## " end)
  if(NOT end EQUAL -1)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${section}" 0 ${end} section)
  endif()
  string(APPEND text "\n${section}")
endforeach()
file(WRITE ${OUT} "${text}")
