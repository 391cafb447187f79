# Builds a Windows Installer package from hivemend.wxs with wixl, then adds
# with msibuild what this wixl (msitools 0.101) cannot express.
#
# cmake -DWIXL=... -DMSIBUILD=... -DSOURCE=hivemend.wxs -DVERSION=a.b.c.d
#       -DSTAGE=folder -DICON=hvmend.ico -DOUTPUT=package.msi -P build_msi.cmake
# STAGE holds hvmend.exe, hvmend-cli.exe and hvmend.chm.
foreach(name WIXL MSIBUILD SOURCE VERSION STAGE ICON OUTPUT)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "build_msi.cmake needs -D${name}=...")
  endif()
endforeach()

# Add/Remove Programs shows the size in KiB; the setup program counts the
# same three files.
set(bytes 0)
foreach(file hvmend.exe hvmend-cli.exe hvmend.chm)
  file(SIZE ${STAGE}/${file} size)
  math(EXPR bytes "${bytes} + ${size}")
endforeach()
math(EXPR size_kb "(${bytes} + 1023) / 1024")

# Every version below the next patch number is one this package replaces.
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)\\.([0-9]+)" numbers ${VERSION})
if(NOT numbers)
  message(FATAL_ERROR "the version '${VERSION}' does not start with three numbers")
endif()
math(EXPR next_patch "${CMAKE_MATCH_3} + 1")
set(upgrade_below ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${next_patch})

set(unfinished ${OUTPUT}.part)
file(REMOVE ${unfinished})
# This wixl finds the files a package holds by relative paths only.
get_filename_component(work ${OUTPUT} DIRECTORY)
file(RELATIVE_PATH stage_path ${work} ${STAGE})
file(RELATIVE_PATH icon_path ${work} ${ICON})
execute_process(
  COMMAND ${WIXL} --arch x64 -D Version=${VERSION} -D UpgradeBelow=${upgrade_below}
          -D Stage=${stage_path} -D Icon=${icon_path} -D SizeKb=${size_kb} -o ${unfinished}
          ${SOURCE}
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "wixl failed (${status})")
endif()

# wixl writes every shortcut advertised (aimed at the feature, not the file):
# such a shortcut has no icon of its own on Windows and makes Windows Installer
# check the install at each start. The setup program's shortcut simply opens
# hvmend.exe, and so does this one.
set(plain_shortcut
  "UPDATE `Shortcut` SET `Target` = '[#hvmend.exe]' WHERE `Shortcut` = 'MenuShortcut'")
# wixl has no RemoveFile element, no conditions on custom actions and no
# RemoveFeatures on an upgrade version. Removal takes the start-up shortcut
# from the folder HVM_STARTUP_FOLDER names (2: on removal only), and that
# property is set only when all of the product is to go (REMOVE=ALL: msiexec
# /x, Add/Remove Programs) and no upgrade is under way. An upgrade removes the
# older product by naming its feature instead of ALL, because Wine 8's msiexec
# does not set UPGRADINGPRODUCTCODE, which Windows sets for that removal.
set(remove_startup_shortcut
  "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('StartupShortcut', 'Programs', 'hvmend.lnk', 'HVM_STARTUP_FOLDER', 2)")
set(only_on_removal
  "UPDATE `InstallExecuteSequence` SET `Condition` = 'REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE' WHERE `Action` = 'FindStartupShortcutFolder'")
set(upgrade_by_feature
  "UPDATE `Upgrade` SET `Remove` = 'Complete' WHERE `ActionProperty` = 'HVM_OLDER_FOUND'")
# Nor can its RemoveFolder name a folder other than its component's: the
# Start-menu folder the shortcut lives in goes with it on removal.
set(remove_menu_folder
  "INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('MenuFolder', 'Programs', 'MenuFolder', 2)")
execute_process(
  COMMAND ${MSIBUILD} ${unfinished} -q ${plain_shortcut} -q ${remove_startup_shortcut}
          -q ${only_on_removal} -q ${upgrade_by_feature} -q ${remove_menu_folder}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msibuild failed (${status})")
endif()
file(RENAME ${unfinished} ${OUTPUT})
