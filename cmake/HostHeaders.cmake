# Header-only libraries from Debian's packages: JSON (nlohmann-json3-dev),
# command-line parsing (libcli11-dev) and formatting (libfmt-dev, used
# header-only). The cross compiler must never search the host's /usr/include,
# so a folder in the build tree holds links to just these header folders, and
# targets use that folder.
set(host_headers_dir ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers_dir})
foreach(folder nlohmann CLI fmt)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run tools/install-packages.sh")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${host_headers_dir}/${folder} SYMBOLIC)
endforeach()
add_library(host_headers INTERFACE)
target_include_directories(host_headers SYSTEM INTERFACE ${host_headers_dir})
# Debian builds libfmt for the host only; the cross build compiles it inline.
target_compile_definitions(host_headers INTERFACE FMT_HEADER_ONLY)
