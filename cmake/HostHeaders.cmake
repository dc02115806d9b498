# Header-only libraries from Debian's packages: JSON (nlohmann-json3-dev) and
# command-line parsing (libcli11-dev). The cross compiler must never search
# the host's /usr/include, so a folder in the build tree holds links to just
# these two header folders, and targets use that folder.
set(host_headers_dir ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers_dir})
foreach(folder nlohmann CLI)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run tools/install-packages.sh")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${host_headers_dir}/${folder} SYMBOLIC)
endforeach()
add_library(host_headers INTERFACE)
target_include_directories(host_headers SYSTEM INTERFACE ${host_headers_dir})
