# SPDX-License-Identifier: MIT
# Packs the installer: cmake -DVERSION=<x.y.z> -DWXS=<flyover.wxs>
# -DOUT=<package> -P msi.cmake, in the folder that holds msi/ (the zip's
# files) and flyover.ico, where wixl looks for them.
#
# Every build is a product of its own (wixl gives it a new ProductCode), so
# that a package rebuilt with the same version, as a re-release or by an
# administrator, is taken as an upgrade: Windows Installer refuses a second
# package with one ProductCode and another PackageCode (error 1638), and
# wixl stamps a new PackageCode into every build. The upgrade row that
# wixl writes finds only older versions; it is written again here to find
# the same version too (VersionMaxInclusive, 0x200), which wixl has no
# attribute for. A newer version installed is still refused.
foreach(var IN ITEMS VERSION WXS OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "msi.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(WIXL wixl REQUIRED)         # Debian: wixl
find_program(MSIBUILD msibuild REQUIRED) # Debian: msitools
file(STRINGS ${WXS} upgradecode REGEX "UpgradeCode=\"[-0-9A-F]+\"")
string(REGEX REPLACE ".*UpgradeCode=\"([-0-9A-F]+)\".*" "{\\1}" upgradecode "${upgradecode}")

execute_process(COMMAND ${WIXL} -a x64 -D Version=${VERSION} -D Files=msi -D Icon=flyover.ico -o
                        ${OUT} ${WXS} COMMAND_ERROR_IS_FATAL ANY)
# Attributes is part of the row's key, so the row is replaced, not updated:
# migrate the features (0x1, as wixl has it) and include the maximum.
set(row "WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'")
execute_process(
  COMMAND ${MSIBUILD} ${OUT} -q "DELETE FROM `Upgrade` ${row}" -q
          "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${upgradecode}', '${VERSION}', 513, 'WIX_UPGRADE_DETECTED')"
  COMMAND_ERROR_IS_FATAL ANY)
