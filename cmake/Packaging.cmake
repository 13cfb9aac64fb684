# The Debian package: `cmake --build <dir> --target package` turns the install
# rules into brisomar_<version>_amd64.deb. The tools root inside is the one the
# build assembled (runner, yt-dlp, node), with links to Debian's ffmpeg and
# ffprobe, which the package depends on.

set(BRISOMAR_PACKAGE_CONTACT "Brisomar <brisomar@users.noreply.github.com>")
set(BRISOMAR_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/brisomar")

# Software centres and dpkg show the version from these files too: a version
# bump that forgets one of them stops here rather than in a published package.
file(STRINGS "${PROJECT_SOURCE_DIR}/data/debian/changelog" changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^brisomar \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/debian/changelog must open with an entry for ${PROJECT_VERSION}")
endif()
file(READ "${PROJECT_SOURCE_DIR}/data/com.brisomar.Brisomar.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<release version=\"${PROJECT_VERSION}\"")
    message(FATAL_ERROR "the metainfo's releases must name ${PROJECT_VERSION}")
endif()

# Debian wants the changelog compressed without a time stamp, so that two
# builds give the same bytes.
set(changelog_gz "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz")
add_custom_command(
    OUTPUT "${changelog_gz}"
    COMMAND gzip -9n -c "${PROJECT_SOURCE_DIR}/data/debian/changelog" > "${changelog_gz}"
    DEPENDS "${PROJECT_SOURCE_DIR}/data/debian/changelog")
add_custom_target(brisomar_changelog ALL DEPENDS "${changelog_gz}")

install(FILES "${PROJECT_SOURCE_DIR}/data/debian/copyright" "${changelog_gz}" DESTINATION "${BRISOMAR_DOC_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/data/debian/lintian-overrides"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME brisomar)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisomar)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Brisomar)
set(CPACK_PACKAGE_CONTACT "${BRISOMAR_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save public videos, or just their sound")
# Lines of the extended description stay within 80 columns, as dpkg shows them.
set(CPACK_PACKAGE_DESCRIPTION [[
Brisomar saves public videos, or just their sound, from YouTube,
Facebook, Instagram and X / Twitter into a folder. Paste a link to one
video, choose audio (MP3, M4A, Opus, FLAC, WAV or the untouched original)
or video (MP4 or MKV up to the height you pick), and the download waits
in a queue with progress, cancellation and retry. A local library
remembers, finds, plays and reveals what you saved. The interface speaks
Spanish.

The package carries its own yt-dlp and Node.js and uses Debian's ffmpeg.]])
# The install rules see the package's prefix, whatever the tree was configured
# with, so links inside it can be relative.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRISOMAR_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/brisomar/brisomar")
# xz makes the package a third smaller than gzip for many times the time; a
# test of the package that throws it away can ask for gzip.
set(BRISOMAR_DEB_COMPRESSION xz CACHE STRING "Compression of the Debian package: xz or gzip")
set(CPACK_DEBIAN_COMPRESSION_TYPE "${BRISOMAR_DEB_COMPRESSION}")
# The program's and the tools' libraries come from dpkg-shlibdeps; the rest are
# programs and plugins found at run time: the tools yt-dlp drives and its Python
# modules, the player's GStreamer plugins, Qt's WebP reader for thumbnails and its
# Spanish dialog buttons, and gpgv for checking a newer yt-dlp.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "ffmpeg, python3 (>= 3.10), python3-certifi, python3-mutagen, python3-pycryptodome, python3-requests, python3-urllib3, python3-websockets, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, qt6-image-formats-plugins, qt6-translations-l10n, gpgv")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "vlc")

include(CPack)
