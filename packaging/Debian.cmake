# Read by cpack when it makes the package. Depends: the libraries the program
# links, as dpkg-shlibdeps finds them, and what it loads by name: Qt's SQLite
# driver and its fonts. The web module's libraries are only recommended, since
# the program runs without them (its web page stays empty); so are Qt's
# Persian dialog texts.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
include(${CPACK_TAVRIK_BUILT})

find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing (Debian's dpkg-dev)")
endif()
# dpkg-shlibdeps wants a source package around it; an empty control will do.
set(work ${CPACK_PACKAGE_DIRECTORY}/shlibdeps)
file(MAKE_DIRECTORY ${work}/debian)
file(TOUCH ${work}/debian/control)
execute_process(
    COMMAND ${DPKG_SHLIBDEPS} -O -e${TAVRIK_PROGRAM} -dRecommends -e${TAVRIK_WEB}
    WORKING_DIRECTORY ${work}
    RESULT_VARIABLE status OUTPUT_VARIABLE found ERROR_VARIABLE complaints)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${complaints}")
endif()

set(linked "")
set(web "")
string(REPLACE "\n" ";" found "${found}")
foreach(line IN LISTS found)
    if(line MATCHES "^shlibs:Depends=(.*)$")
        set(linked "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^shlibs:Recommends=(.*)$")
        set(web "${CMAKE_MATCH_1}")
    endif()
endforeach()
if(linked STREQUAL "")
    message(FATAL_ERROR "dpkg-shlibdeps named no library of the program")
endif()

set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${linked}, libqt6sql6-sqlite, fonts-noto-ui-core, fonts-noto-core, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
if(NOT web STREQUAL "")
    string(PREPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "${web}, ")
endif()
message(STATUS "Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
message(STATUS "Recommends: ${CPACK_DEBIAN_PACKAGE_RECOMMENDS}")
