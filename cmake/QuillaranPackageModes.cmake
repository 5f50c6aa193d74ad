# Run by CPack on the staged tree before it is packed: the package's folders and files get the
# modes of installed programs (folders and programs 0755, other files 0644) whatever umask the
# package was built under (under 077 the libraries' folder was the builder's alone).
foreach(staged IN ITEMS "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
  if(staged AND IS_DIRECTORY "${staged}")
    execute_process(COMMAND chmod -R u+rwX,go=rX "${staged}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
