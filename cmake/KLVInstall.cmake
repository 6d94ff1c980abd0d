# Installing the libraries for other programs: each library goes into the export set
# KLVApiTargets (the CMake package KLVApi) with its public headers under include/<name>, and
# gets a pkg-config file of its own.
include(GNUInstallDirs)

# klv_install_library(<target> DESCRIPTION <text> REQUIRES <pkg-config modules> HEADERS <files>)
function(klv_install_library target)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "REQUIRES;HEADERS" ${ARGN})
    target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${target}>)
    install(TARGETS ${target} EXPORT KLVApiTargets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
            ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${ARG_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${target})

    # The .pc file finds its prefix from its own place, so a tree installed with
    # "cmake --install --prefix" anywhere describes itself correctly.
    file(RELATIVE_PATH KLV_PC_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
    string(REGEX REPLACE "/$" "" KLV_PC_PREFIX "${KLV_PC_PREFIX}")
    set(KLV_PC_NAME ${target})
    set(KLV_PC_DESCRIPTION "${ARG_DESCRIPTION}")
    list(JOIN ARG_REQUIRES " " KLV_PC_REQUIRES)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/klvapi.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/${target}.pc @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/pkgconfig/${target}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
