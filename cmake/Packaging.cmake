# The Debian package: `cpack -G DEB` in a build folder makes
# rastelle_<version>_<arch>.deb from the install rules.

# Man pages go in compressed, as Debian keeps them.
set(RASTELLE_MAN_PAGES rastelle rastelle-convert)
set(RASTELLE_MAN_OUTPUTS)
foreach(page IN LISTS RASTELLE_MAN_PAGES)
    set(source ${CMAKE_SOURCE_DIR}/resources/man/${page}.1)
    set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${source} > ${output}
        DEPENDS ${source}
        COMMENT "Compressing man page ${page}.1"
        VERBATIM)
    list(APPEND RASTELLE_MAN_OUTPUTS ${output})
endforeach()
add_custom_target(rastelle_man_pages ALL DEPENDS ${RASTELLE_MAN_OUTPUTS})
install(FILES ${RASTELLE_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What software centres show.
configure_file(${CMAKE_SOURCE_DIR}/resources/com.tolmera.rastelle.metainfo.xml
    ${CMAKE_BINARY_DIR}/com.tolmera.rastelle.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/com.tolmera.rastelle.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(RASTELLE_MAINTAINER "Tolmera <rastelle@tolmera.com>" CACHE STRING
    "The Debian package's maintainer, as Name <address>")

set(CPACK_PACKAGE_NAME rastelle)
set(CPACK_PACKAGE_VENDOR Tolmera)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${RASTELLE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${RASTELLE_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert a picture into a Windows bitmap (.bmp) file")
# The summary is the description's first line; CPack indents the rest and
# marks the empty line as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Rastelle turns one picture (JPEG, PNG, GIF, TIFF, ICO, BMP, WebP, TGA,
camera RAW, WMF, EMF and more) into a Windows bitmap file. The user picks
the frame or page, the output size with an aspect-ratio calculator, a
rotation and flip, an optional line of text in a chosen font and colour,
and one of ten pixel formats from 1 bit indexed to 64 bits premultiplied
ARGB.

Every text the window shows can be replaced by language files, switched at
run time. The command rastelle-convert runs the same conversion without a
window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not seen by shlibdeps: Qt's TIFF, WebP, TGA, ICNS
# and WBMP readers.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
# Help and Homepage open through xdg-open; metafile text wants fonts of the
# Windows faces' measures; Qt's own dialogs speak the chosen language with
# its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, fonts-liberation, fonts-crosextra-carlito, fonts-crosextra-caladea, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-cjk")
# Installed into a staging folder under DESTDIR, so the paths that the install
# rules compute (the desktop entry's program) are the final ones.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
