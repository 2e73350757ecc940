# The library against the simulated platform, for unit tests and sanitizers.
add_library(quor6link_host_platform STATIC
    platform/host/host_com.cpp
    platform/host/host_controls.cpp
    platform/host/host_kernel.cpp
    platform/host/host_module.cpp
    platform/host/host_ole.cpp
    platform/host/host_registry.cpp
)
target_include_directories(quor6link_host_platform PUBLIC ${PROJECT_SOURCE_DIR})

add_library(quor6link STATIC ${QUOR6LINK_SOURCES})
target_link_libraries(quor6link PUBLIC quor6link_host_platform)

add_subdirectory(tests)
