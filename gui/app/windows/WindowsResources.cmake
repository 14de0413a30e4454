# SPDX-License-Identifier: Apache-2.0
# What Windows reads from kestrel-nss.exe itself: the manifest (administrator rights, since only
# they open physical disks; per-monitor DPI awareness), the version resource and the icon. The
# icon is Adwaita's hard disk, the one the Linux desktop shows for disks, packed into an .ico.
set(kestrel_windows ${CMAKE_CURRENT_SOURCE_DIR}/app/windows)
set(kestrel_icon ${CMAKE_CURRENT_BINARY_DIR}/kestrel-nss.ico)
set(kestrel_icon_pictures /usr/share/icons/Adwaita/16x16/devices/drive-harddisk.png
    /usr/share/icons/Adwaita/32x32/devices/drive-harddisk.png
    /usr/share/icons/Adwaita/48x48/devices/drive-harddisk.png
    /usr/share/icons/Adwaita/512x512/devices/drive-harddisk.png)
find_program(KESTREL_CONVERT convert REQUIRED)
add_custom_command(
  OUTPUT ${kestrel_icon}
  COMMAND ${KESTREL_CONVERT} ${kestrel_icon_pictures} -resize 256x256> ${kestrel_icon}
  DEPENDS ${kestrel_icon_pictures}
  COMMENT "Making the program's icon"
  VERBATIM)

set(KESTREL_ICON_PATH ${kestrel_icon})
set(KESTREL_MANIFEST_PATH ${CMAKE_CURRENT_BINARY_DIR}/kestrel-nss.exe.manifest)
configure_file(${kestrel_windows}/kestrel-nss.exe.manifest.in ${KESTREL_MANIFEST_PATH} @ONLY)
configure_file(${kestrel_windows}/kestrel-nss.rc.in ${CMAKE_CURRENT_BINARY_DIR}/kestrel-nss.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/kestrel-nss.rc PROPERTIES
  OBJECT_DEPENDS "${kestrel_icon};${KESTREL_MANIFEST_PATH}")
target_sources(kestrel-nss PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/kestrel-nss.rc ${kestrel_icon})
# A window program: no console opens beside it.
set_target_properties(kestrel-nss PROPERTIES WIN32_EXECUTABLE ON)
