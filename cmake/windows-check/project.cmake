# Included after project() by the Windows check's toolchain.

# What Qt's own targets give a program on Windows with MinGW (the host's
# mkspecs/common/g++-win32.conf lists them); the Linux Qt targets borrowed
# here do not carry them.
add_compile_definitions(UNICODE _UNICODE WIN32 MINGW_HAS_SECURE_API=1)

# On Windows CMake wants an import library for every shared library it links;
# the host's Qt libraries have none. Nothing is linked, so their own files
# stand in for one, once every Qt target is known.
function(tq_windows_check_stub_implibs)
    get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY IMPORTED_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(NOT type STREQUAL "SHARED_LIBRARY")
            continue()
        endif()
        get_target_property(configs ${target} IMPORTED_CONFIGURATIONS)
        foreach(config ${configs})
            get_target_property(location ${target} IMPORTED_LOCATION_${config})
            set_target_properties(${target} PROPERTIES IMPORTED_IMPLIB_${config} ${location})
        endforeach()
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tq_windows_check_stub_implibs)
