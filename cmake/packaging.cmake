# What `cmake --install` puts on a machine, and the packages CPack makes of
# it: on Linux a Debian package (cpack -G DEB), for Windows a ZIP that a
# user unpacks beside the bank. Only the two programs and their texts are
# installed; the tests, the demo's and the benchmark's tools stay in the
# build tree.
include(GNUInstallDirs)

# Every mode that is installed is given here rather than left to the umask of
# whoever installs or packages: folders rwxr-xr-x, texts rw-r--r-- and
# programs rwxr-xr-x, as Debian wants them. CPack takes the folders' mode from
# this variable too. CMake makes folders with mkdir, which the umask still
# masks: the mode keeps group and others from writing under umask 002 or 000,
# but cannot give back what umask 027 takes away (the .deb's folders came out
# rwxr-x---), so tools/make_packages.sh sets umask 022 itself.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(text_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(program_permissions ${text_permissions} OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)

# The part that every install rule but the .deb's own one (below) belongs to.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME lsd2wav)

set(LSD2WAV_PACKAGE_MAINTAINER "lsd2wav developers <lsd2wav@invalid>"
    CACHE STRING "Who answers for the packages, as Name <address>")

if(WIN32)
    # The ZIP holds the programs and the text for Windows users side by side,
    # with no folder around them: the user copies them next to the bank.
    set(program_destination .)
    # Notepad before Windows 10 shows LF-only text as one long line.
    configure_file(packaging/README-windows.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
    configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
            DESTINATION . PERMISSIONS ${text_permissions})
else()
    set(program_destination ${CMAKE_INSTALL_BINDIR})
    install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} PERMISSIONS ${text_permissions})

    # Debian wants man pages and changelogs compressed, without a time stamp
    # inside, so that a rebuild gives the same bytes.
    string(TIMESTAMP LSD2WAV_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    set(compressed)
    foreach(page lsd2wav.1 wav2lsd.1)
        configure_file(man/${page}.in ${page} @ONLY)
        list(APPEND compressed ${page})
    endforeach()
    configure_file(packaging/changelog.in changelog @ONLY)
    list(APPEND compressed changelog)
    set(compressed_files)
    foreach(file ${compressed})
        add_custom_command(OUTPUT ${file}.gz
            COMMAND gzip -9 -n -c ${file} > ${file}.gz
            DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${file}
            WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
            VERBATIM)
        list(APPEND compressed_files ${CMAKE_CURRENT_BINARY_DIR}/${file}.gz)
    endforeach()
    add_custom_target(compressed_texts ALL DEPENDS ${compressed_files})
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lsd2wav.1.gz ${CMAKE_CURRENT_BINARY_DIR}/wav2lsd.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 PERMISSIONS ${text_permissions})
    # Debian's place for the license is the copyright file, which holds the
    # text of LICENSE; a second copy beside it would only draw a complaint.
    install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR} PERMISSIONS ${text_permissions})
    # Where lintian errs about the package, and why (the file says); only the
    # .deb needs it, so `cmake --install` leaves it out.
    install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME lsd2wav PERMISSIONS ${text_permissions} COMPONENT debian EXCLUDE_FROM_ALL)
endif()
install(TARGETS lsd2wav wav2lsd RUNTIME DESTINATION ${program_destination}
        PERMISSIONS ${program_permissions})

set(CPACK_PACKAGE_NAME lsd2wav)
set(CPACK_PACKAGE_VENDOR "the lsd2wav developers")
set(CPACK_PACKAGE_CONTACT ${LSD2WAV_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unpack sound bank archives into WAV files, and pack them again")
# Debian shows each line as it stands, so the lines are kept short here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "lsd2wav, started in a folder that holds the music bank music_p.lsd or the"
    "sound bank sound_p.lsd, writes one WAV file per entry of the bank into that"
    "folder. wav2lsd packs WAV files into a bank that lsd2wav unpacks again, so"
    "that sounds can be edited and put back.")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/" "/dist/" "/demo/" "/\\\\.git/")
if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(windows_flavour win64)
    else()
        set(windows_flavour win32)
    endif()
    # tools/make_packages.sh zips what `cmake --install` puts out itself, in
    # one order and with the last commit's time, which cpack's ZIP does not
    # take; `cpack -G ZIP` still gives the same files for a quick look.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${windows_flavour})
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    # The programs in the ZIP are the very files the Windows tests ran.
    set(CPACK_STRIP_FILES OFF)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION sound)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The .deb takes the part that only it needs too, in the one package.
    set(CPACK_COMPONENTS_ALL lsd2wav debian)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
endif()
include(CPack)
