# Authenticode signatures on the Windows programs and the installer, made with
# osslsigncode (Debian's) when a code-signing certificate and its key are given:
#   -DOSTREL_SIGN_CERT=cert.pem -DOSTREL_SIGN_KEY=key.pem
#   [-DOSTREL_SIGN_PASSWORD_FILE=file]  the key's password, when it has one
#   [-DOSTREL_SIGN_TIMESTAMP=url]       an RFC 3161 time-stamping server, so the
#                                       signature outlives the certificate
# scripts/build-windows passes them from the environment variables of the same
# names. Without a certificate nothing is signed.
set(OSTREL_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM) for the Windows programs")
set(OSTREL_SIGN_KEY "" CACHE FILEPATH "The certificate's private key (PEM)")
set(OSTREL_SIGN_PASSWORD_FILE "" CACHE FILEPATH "A file holding the key's password")
set(OSTREL_SIGN_TIMESTAMP "" CACHE STRING "URL of an RFC 3161 time-stamping server")

set(ostrel_sign_arguments "")
if(OSTREL_SIGN_CERT)
  if(NOT OSTREL_SIGN_KEY)
    message(FATAL_ERROR "OSTREL_SIGN_CERT needs OSTREL_SIGN_KEY, the certificate's key")
  endif()
  find_program(OSTREL_OSSLSIGNCODE osslsigncode REQUIRED)
  set(ostrel_sign_arguments
      sign -certs ${OSTREL_SIGN_CERT} -key ${OSTREL_SIGN_KEY} -h sha256 -n "Ostrel Update"
      -i "https://www.ostrel.co.uk/")
  if(OSTREL_SIGN_PASSWORD_FILE)
    list(APPEND ostrel_sign_arguments -readpass ${OSTREL_SIGN_PASSWORD_FILE})
  endif()
  if(OSTREL_SIGN_TIMESTAMP)
    list(APPEND ostrel_sign_arguments -ts ${OSTREL_SIGN_TIMESTAMP})
  endif()
endif()

# The commands that sign `file` in place (none without a certificate), to
# follow the commands that make it.
function(ostrel_sign_commands file out_var)
  set(commands "")
  if(ostrel_sign_arguments)
    # -in and -out must differ; a half-written signature never takes the
    # program's place.
    set(commands
        COMMAND ${OSTREL_OSSLSIGNCODE} ${ostrel_sign_arguments} -in ${file} -out ${file}.signed
        COMMAND ${CMAKE_COMMAND} -E rename ${file}.signed ${file})
  endif()
  set(${out_var} ${commands} PARENT_SCOPE)
endfunction()

# Signs the program of `target` each time it is linked.
function(ostrel_sign_program target)
  ostrel_sign_commands($<TARGET_FILE:${target}> commands)
  if(commands)
    add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
  endif()
endfunction()
