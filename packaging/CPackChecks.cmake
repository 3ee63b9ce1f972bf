# Read by cpack before it packs. Without dpkg-shlibdeps CPack would only warn and ship a package
# whose Depends lacks every library the program links; without `file` it stops half way.
foreach(tool dpkg-shlibdeps file)
    find_program(lumeral_tool_${tool} ${tool})
    if(NOT lumeral_tool_${tool})
        message(FATAL_ERROR "cpack: '${tool}' is missing (Debian packages dpkg-dev and file); scripts/bootstrap installs both")
    endif()
endforeach()
