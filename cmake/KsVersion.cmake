# The version header of every deliverable (ks_version.h, target ks_version),
# generated from project(VERSION). The library reports its version as one
# hexadecimal digit per part (1.6.0 is 0x1600), so each part must fit a digit.
foreach(part MAJOR MINOR PATCH)
  if(PROJECT_VERSION_${part} GREATER 15)
    message(FATAL_ERROR "version part ${part} (${PROJECT_VERSION_${part}}) does not fit the "
      "library's one-digit-per-part version number")
  endif()
endforeach()
math(EXPR KS_VERSION_NUMBER
  "(${PROJECT_VERSION_MAJOR} << 12) | (${PROJECT_VERSION_MINOR} << 8) | (${PROJECT_VERSION_PATCH} << 4)"
  OUTPUT_FORMAT HEXADECIMAL)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ks_version.h.in
  ${PROJECT_BINARY_DIR}/generated/ks_version.h @ONLY)
add_library(ks_version INTERFACE)
target_include_directories(ks_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
