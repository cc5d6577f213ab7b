# Fails when the committed Windows icon and its SVG drift apart: each of FILES (paths
# relative to SOURCE_DIR) must be listed in STAMP, as sha256sum writes it, with its current
# SHA-256. scripts/draw-icon.sh writes the stamp when it draws, so an SVG edited without
# redrawing, or an icon edited by hand, no longer matches.
# Usage: cmake -DSOURCE_DIR=DIR -DSTAMP=FILE "-DFILES=A;B" -P CheckStamp.cmake
foreach(variable SOURCE_DIR STAMP FILES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "${variable} is not set")
    endif()
endforeach()

file(STRINGS ${STAMP} lines)
foreach(line IN LISTS lines)
    set(hash "")
    if(line MATCHES "^([0-9a-f]+)  (.+)$")
        set(hash ${CMAKE_MATCH_1})
        set(path ${CMAKE_MATCH_2})
    endif()
    string(LENGTH "${hash}" hash_length)
    if(NOT hash_length EQUAL 64)
        message(FATAL_ERROR "${STAMP}: not a sha256sum line: ${line}")
    endif()
    set("noted_${path}" ${hash})
endforeach()

set(stale "")
foreach(path IN LISTS FILES)
    if(NOT DEFINED "noted_${path}")
        message(FATAL_ERROR "${STAMP} does not list ${path}")
    endif()
    file(SHA256 ${SOURCE_DIR}/${path} actual)
    if(NOT actual STREQUAL "${noted_${path}}")
        list(APPEND stale ${path})
    endif()
endforeach()
if(stale)
    list(JOIN stale ", " stale_text)
    message(FATAL_ERROR "changed since the icon was drawn: ${stale_text}. "
                        "Run scripts/draw-icon.sh and commit what it writes.")
endif()
