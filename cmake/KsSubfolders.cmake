# ks_expect_subfolders(<name>...): every sub-folder of the current source
# folder that has a CMakeLists.txt must be one of the names given. Folders
# are added one by one with add_subdirectory (a missing one is an error);
# this catches the opposite, a new folder nobody added to the build, which
# would otherwise be left out without a word.
function(ks_expect_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(child ${children})
    get_filename_component(folder ${child} DIRECTORY)
    if(NOT folder IN_LIST ARGN)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${folder} has a CMakeLists.txt but "
        "${CMAKE_CURRENT_LIST_FILE} does not add it: add it there (add_subdirectory) and "
        "name it in ks_expect_subfolders().")
    endif()
  endforeach()
endfunction()
