# lens_make_certificates(<target> <output dir> <CA common name> [<host name>...])
#
# A custom target that makes, at build time, a throw-away CA and a server
# certificate for 127.0.0.1 / localhost (and the host names given) in
# <output dir>: ca.pem, ca.key, server.pem, server.key. Private keys only ever live in the build tree.
set_property(GLOBAL PROPERTY LENS_CERT_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make-certificates.sh)

find_program(LENS_OPENSSL openssl)
if(NOT LENS_OPENSSL)
    message(FATAL_ERROR "openssl is needed to make the local TLS certificates (scripts/setup.sh installs it)")
endif()

function(lens_make_certificates target dir cn)
    get_property(_LENS_CERT_SCRIPT GLOBAL PROPERTY LENS_CERT_SCRIPT)
    set(_outputs ${dir}/ca.pem ${dir}/ca.key ${dir}/server.pem ${dir}/server.key)
    add_custom_command(
        OUTPUT ${_outputs}
        COMMAND bash ${_LENS_CERT_SCRIPT} ${dir} ${cn} ${ARGN}
        DEPENDS ${_LENS_CERT_SCRIPT}
        COMMENT "Making certificates: ${cn}"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${_outputs})
endfunction()
