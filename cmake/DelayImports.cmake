# Delay-loaded system DLLs: a program linked with klp_delayed_<dll> instead of
# <dll> loads that DLL on its first call into it, not at process start.
# - Start-up: DLLs needed only by some actions (the shell for shortcuts and the
#   web site, the component-object library for the shell's link object, the
#   network and blending DLLs for the directory chooser) cost the start
#   nothing.
# - Planting: the loader resolves start-up imports before any of our code
#   runs, searching the program's folder first; a DLL that is not one of the
#   system's known DLLs (mpr, msimg32) would be taken from a download folder.
#   Loaded on first use, the DLL is looked up after the program restricted the
#   search to the system directory.
# The delay-import library is made at configure time from the toolchain's
# import library: every function it names, so that no call can slip past it
# into a start-up import. A DLL that cannot be loaded when first called raises
# an exception at that call; these are DLLs every Windows has.
#
# dlltool makes the library, but GNU ld (2.40, i686) takes its members for
# those of an ordinary import library (it knows them by their .idata$N
# sections): calls go through each function's slot, so ld drops the function's
# jump stub as unused, and with it the loading stub in the same section; the
# slot ends up zero. Moved into .data$zdelay_<N>_<member> (the linker sorts
# .data$ sections by name, so each DLL's name table and slot table keep the
# member order: head, functions, tail), the members link as ordinary objects
# and the slots keep their loading stubs.

function(klp_delay_import dll)
    find_library(KLP_IMPORT_LIBRARY_${dll} NAMES lib${dll}.a REQUIRED)
    set(library "${KLP_IMPORT_LIBRARY_${dll}}")
    execute_process(COMMAND ${CMAKE_NM} "${library}" OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # The functions are the library's code symbols; on i686 they carry the
    # C prefix "_" and stdcall's "@<bytes>", which -k drops from the names the
    # DLL is asked for.
    string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" functions "${symbols}")
    list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        list(TRANSFORM functions REPLACE "^_" "")
    endif()
    list(REMOVE_DUPLICATES functions)
    list(SORT functions)
    if(NOT functions)
        message(FATAL_ERROR "${library} names no functions")
    endif()
    string(TOUPPER "${dll}" upper)
    list(JOIN functions "\n" exports)

    set(dir "${CMAKE_BINARY_DIR}/delayimports/${dll}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}/dlltool" "${dir}/members")
    file(WRITE "${dir}/${dll}.def" "LIBRARY ${upper}.DLL\nEXPORTS\n${exports}\n")
    # The library's name (as given, so no folder) becomes part of its member
    # and symbol names, which must differ between DLLs.
    set(raw "${dir}/dlltool/lib${dll}_delayed.a")
    execute_process(COMMAND ${CMAKE_DLLTOOL} -k -d ../${dll}.def -y lib${dll}_delayed.a
                    WORKING_DIRECTORY "${dir}/dlltool" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_AR} t "${raw}" OUTPUT_VARIABLE members COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_AR} x "${raw}" WORKING_DIRECTORY "${dir}/members" COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "[^\n]+" members "${members}")
    foreach(member IN LISTS members)
        string(REGEX REPLACE "\\.o$" "" tag "${member}")
        set(renames)
        foreach(n 4 5 6 7)
            list(APPEND renames --rename-section ".idata$${n}=.data$zdelay_${n}_${tag},alloc,load,data,contents")
        endforeach()
        execute_process(COMMAND ${CMAKE_OBJCOPY} ${renames} ${member} WORKING_DIRECTORY "${dir}/members"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    # In dlltool's member order; "D": no dates or owners in the archive.
    execute_process(COMMAND ${CMAKE_AR} rcD ../lib${dll}_delayed.a ${members} WORKING_DIRECTORY "${dir}/members"
                    COMMAND_ERROR_IS_FATAL ANY)

    add_library(klp_delayed_${dll} STATIC IMPORTED GLOBAL)
    set_target_properties(klp_delayed_${dll} PROPERTIES IMPORTED_LOCATION "${dir}/lib${dll}_delayed.a")
endfunction()

klp_delay_import(shell32)
klp_delay_import(mpr)
klp_delay_import(msimg32)
klp_delay_import(ole32)
