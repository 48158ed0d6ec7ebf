# One interface target that carries the language level and the warning policy;
# every target of the project links it.
add_library(vexrem_common INTERFACE)
target_compile_features(vexrem_common INTERFACE cxx_std_20)
target_compile_options(vexrem_common INTERFACE -Wall -Wextra -Wpedantic -Werror)
target_compile_definitions(vexrem_common INTERFACE
    VEXREM_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${PROJECT_VERSION_TWEAK}"
    VEXREM_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    VEXREM_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    VEXREM_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    VEXREM_VERSION_BUILD=${PROJECT_VERSION_TWEAK})
target_include_directories(vexrem_common INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(WIN32)
    # Windows 7 API level (Asio asks for one); no min/max macros from <windows.h>.
    target_compile_definitions(vexrem_common INTERFACE _WIN32_WINNT=0x0601 NOMINMAX)
endif()

set(CMAKE_CXX_EXTENSIONS OFF)

# Adds a library made of every source file in the calling folder.
# Usage: vexrem_library(NAME [QT] DEPENDS dep...)
function(vexrem_library name)
    cmake_parse_arguments(ARG "QT" "" "DEPENDS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(ex IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "/${ex}$")
    endforeach()
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        # Nothing to compile yet: still a target, so dependents link.
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE vexrem_common ${ARG_DEPENDS})
        return()
    endif()
    add_library(${name} STATIC ${sources} ${headers} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PUBLIC vexrem_common ${ARG_DEPENDS})
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON AUTOUIC ON)
    endif()
endfunction()

# Adds one GoogleTest executable made of every test source in the calling folder.
# Usage: vexrem_test(NAME [QT [MAIN target]] [MANIFEST] DEPENDS dep...)
# A QT test gets the offscreen main() unless MAIN names another. A MANIFEST
# test carries the program's manifest on Windows, so its windows come up as the
# program's do (per-monitor DPI, version 6 of the common controls, which the
# system's task dialog needs).
function(vexrem_test name)
    cmake_parse_arguments(ARG "QT;MANIFEST" "MAIN" "DEPENDS" ${ARGN})
    if(NOT ARG_MAIN)
        set(ARG_MAIN vexrem_testmain_qt)
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    # Tests of one OS's platform code are named after it: Posix* for every
    # Unix, Linux* for the Linux desktop's services (D-Bus, the X server).
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX "/(Posix|Linux)[^/]*$")
    else()
        list(FILTER sources EXCLUDE REGEX "/Win32[^/]*$")
    endif()
    if(NOT sources)
        return()
    endif()
    if(ARG_MANIFEST AND WIN32)
        set(manifest ${PROJECT_SOURCE_DIR}/src/app/win32/VexelReminder.manifest)
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/manifest.rc)
        file(CONFIGURE OUTPUT ${rc} CONTENT "1 24 \"${manifest}\"\n")
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
        list(APPEND sources ${rc})
    endif()
    add_executable(${name} ${sources} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE vexrem_common vexrem_testsupport ${ARG_DEPENDS} GTest::gtest GTest::gmock)
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE ${ARG_MAIN} vexrem_testsupport_qt Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
                   TIMEOUT 120)
endfunction()
