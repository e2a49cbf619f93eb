# Runs lupdate for the two catalogues.
#  MODE=update  rewrites the .ts files from the sources
#  MODE=check   updates copies under WORK and fails when a text has no
#               translation or the committed files are not up to date
foreach(lang EN ZH)
  set(ts "${TS_${lang}}")
  string(REPLACE "|" ";" sources "${TS_${lang}_SOURCES}")
  if(MODE STREQUAL "check")
    get_filename_component(name "${ts}" NAME)
    file(MAKE_DIRECTORY "${WORK}")
    configure_file("${ts}" "${WORK}/${name}" COPYONLY)
    set(target "${WORK}/${name}")
  else()
    set(target "${ts}")
  endif()
  execute_process(
    COMMAND "${LUPDATE}" -silent -no-obsolete -locations none -extensions cpp,h
            ${sources} -ts "${target}"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${ts}")
  endif()
  if(MODE STREQUAL "check")
    file(READ "${target}" updated)
    file(READ "${ts}" committed)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*(<comment>[^<]*</comment>[ \n]*)?<translation type=\"unfinished\"" missing "${updated}")
    if(missing)
      string(REPLACE "<translation type=\"unfinished\"" "" missing "${missing}")
      message(FATAL_ERROR "${name}: texts without a translation (run the velmora_lupdate "
                          "target and translate them):\n${missing}")
    endif()
    if(NOT updated STREQUAL committed)
      message(FATAL_ERROR "${name} is not up to date with the sources: run the velmora_lupdate target")
    endif()
  endif()
endforeach()
