# Writes the installer's file list from the deployed folder, so the installer
# and its uninstaller always agree with what the deploy step put there: the
# uninstaller deletes exactly these files and then only empty folders.
#
#   cmake -DDEPLOY=<deployed folder> -DOUT=<file list .nsh> -P FileList.cmake
if(NOT DEPLOY OR NOT OUT)
    message(FATAL_ERROR "usage: cmake -DDEPLOY=<folder> -DOUT=<file.nsh> -P FileList.cmake")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${DEPLOY} ${DEPLOY}/*)
list(SORT files)
if(NOT files)
    message(FATAL_ERROR "${DEPLOY} holds no files")
endif()

# makensis reads "$" as the start of a variable.
function(nsis_escape out text)
    string(REPLACE "$" "$$" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(install "")
set(uninstall "")
set(dirs "")
set(current_dir "-")
set(bytes 0)
foreach(rel IN LISTS files)
    get_filename_component(dir "${rel}" DIRECTORY)
    string(REPLACE "/" "\\" win_rel "${rel}")
    string(REPLACE "/" "\\" win_dir "${dir}")
    nsis_escape(win_rel "${win_rel}")
    nsis_escape(win_dir "${win_dir}")
    nsis_escape(src "${DEPLOY}/${rel}")
    if(NOT dir STREQUAL current_dir)
        set(current_dir "${dir}")
        if(dir STREQUAL "")
            string(APPEND install "  SetOutPath \"$INSTDIR\"\n")
        else()
            string(APPEND install "  SetOutPath \"$INSTDIR\\${win_dir}\"\n")
            # The folder and every folder above it that the install makes.
            set(up "${win_dir}")
            while(NOT up STREQUAL "")
                list(APPEND dirs "${up}")
                string(FIND "${up}" "\\" cut REVERSE)
                if(cut LESS 0)
                    set(up "")
                else()
                    string(SUBSTRING "${up}" 0 ${cut} up)
                endif()
            endwhile()
        endif()
    endif()
    string(APPEND install "  File \"${src}\"\n")
    string(APPEND uninstall "  Delete \"$INSTDIR\\${win_rel}\"\n")
    file(SIZE "${DEPLOY}/${rel}" size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()

# Sub-folders deepest first; RMDir without /r leaves a folder that still holds
# something of the user's.
list(REMOVE_DUPLICATES dirs)
list(SORT dirs)
list(REVERSE dirs)
foreach(dir IN LISTS dirs)
    string(APPEND uninstall "  RMDir \"$INSTDIR\\${dir}\"\n")
endforeach()

math(EXPR kib "(${bytes} + 1023) / 1024")
file(WRITE "${OUT}.tmp"
    "; Written by FileList.cmake from the deployed folder.\n"
    "!define VEXREM_INSTALLED_KIB ${kib}\n"
    "!macro VEXREM_INSTALL_FILES\n${install}  SetOutPath \"$INSTDIR\"\n!macroend\n"
    "!macro VEXREM_UNINSTALL_FILES\n${uninstall}!macroend\n")
# Unchanged content keeps its time stamp.
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
