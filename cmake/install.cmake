# `cmake --install`: the libraries and the module side by side in lib/ (the
# host library finds the module beside itself), the tool in bin/, the
# GStreamer plug-in in lib/gstreamer-1.0/, and the headers a host compiles
# against. Each binary finds the libraries it needs relative to itself.
include(GNUInstallDirs)

set_target_properties(orvplatform pixrt corefilters PROPERTIES INSTALL_RPATH "\$ORIGIN")
if(TARGET orvdialogs_gtk)
  set_target_properties(orvdialogs_gtk PROPERTIES INSTALL_RPATH "\$ORIGIN")
  install(TARGETS orvdialogs_gtk LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
file(RELATIVE_PATH bin_to_lib ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set_target_properties(filterhost PROPERTIES INSTALL_RPATH "\$ORIGIN/${bin_to_lib}")

install(TARGETS orvplatform pixrt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS corefilters LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS filterhost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET gstorvfilters)
  install(TARGETS gstorvfilters LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/gstreamer-1.0)
endif()
install(DIRECTORY pixrt/include/ include_orv/ platform/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvfilters FILES_MATCHING PATTERN "*.h")
