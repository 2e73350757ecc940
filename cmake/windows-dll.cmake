# The product DLL (and its 64-bit twin): small, needing only Windows' own DLLs.
enable_language(RC)

add_library(QUOR6LINK SHARED ${QUOR6LINK_SOURCES} app/dll_main.cpp resources/QUOR6LINK.rc app/QUOR6LINK.def)
set_target_properties(QUOR6LINK PROPERTIES PREFIX "" OUTPUT_NAME QUOR6LINK)
target_include_directories(QUOR6LINK PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(QUOR6LINK PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
        -ffunction-sections -fdata-sections>)
target_link_options(QUOR6LINK PRIVATE
    -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp -Wl,--enable-stdcall-fixup
    -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_link_options(QUOR6LINK PRIVATE -Wl,--no-seh)
else()
    target_link_options(QUOR6LINK PRIVATE -Wl,--high-entropy-va)
endif()
target_link_libraries(QUOR6LINK PRIVATE ole32 user32 uuid)

add_subdirectory(tests/pe)
# Only the x64 twin runs here, under wine64.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    add_subdirectory(tests/e2e)
    add_subdirectory(tests/registry_fidelity)
    add_subdirectory(demo)
endif()
