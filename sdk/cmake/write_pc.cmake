# Runs at install time: the prefix is only known then (cmake --install
# --prefix overrides the configured one), so the pkg-config file is written
# here. Inputs: KS_PC_TEMPLATE, KS_PC_OUTPUT, KS_PC_LIBDIR_REL,
# KS_PC_INCLUDEDIR_REL, KS_PC_VERSION and CMAKE_INSTALL_PREFIX.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${KS_PC_${kind}_REL}")
    set(KS_PC_${kind} "${KS_PC_${kind}_REL}")
  else()
    set(KS_PC_${kind} "\${prefix}/${KS_PC_${kind}_REL}")
  endif()
endforeach()
set(KS_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
configure_file("${KS_PC_TEMPLATE}" "${KS_PC_OUTPUT}" @ONLY)
