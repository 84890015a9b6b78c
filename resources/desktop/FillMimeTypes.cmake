# Puts the MIME types printed by velkor-mime-types into the desktop entry.
file(READ ${MIME_LIST} VELKOR_MIME_TYPES)
string(STRIP "${VELKOR_MIME_TYPES}" VELKOR_MIME_TYPES)
if(VELKOR_MIME_TYPES STREQUAL "")
  message(FATAL_ERROR "no MIME types for the desktop entry")
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
