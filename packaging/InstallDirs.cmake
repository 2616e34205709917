# Where an installation puts each part, relative to the installation prefix (GNU conventions):
#   bin/velkora
#   lib/<multiarch>/velkora/           the private shared libraries
#   lib/<multiarch>/velkora/plugins/   the component plugins (libKESTA.so)
#   share/velkora/                     the schema scripts (db/) and the sample file (sample/)
# The program finds its plugins and data from its own folder through the relative paths below,
# so an installed tree works from any prefix and never looks into the source or build tree.
include(GNUInstallDirs)

if(CMAKE_LIBRARY_ARCHITECTURE)
    set(velkora_default_libdir "lib/${CMAKE_LIBRARY_ARCHITECTURE}/velkora")
else()
    set(velkora_default_libdir "${CMAKE_INSTALL_LIBDIR}/velkora")
endif()
set(VELKORA_INSTALL_LIBDIR "${velkora_default_libdir}" CACHE STRING
    "Folder of Velkora's private libraries, relative to the installation prefix")
set(VELKORA_INSTALL_PLUGINDIR "${VELKORA_INSTALL_LIBDIR}/plugins")
set(VELKORA_INSTALL_DATADIR "${CMAKE_INSTALL_DATAROOTDIR}/velkora")

# The same folders seen from the folder of the executable.
foreach(dir LIBDIR PLUGINDIR DATADIR)
    file(RELATIVE_PATH VELKORA_${dir}_FROM_BINDIR
        "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${VELKORA_INSTALL_${dir}}")
endforeach()
