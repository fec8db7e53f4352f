# cmake -DTESS=<tess> -DOUTPUT=<tess.1> -P write_man_page.cmake: the manual page
# from `tess help --man`.
execute_process(COMMAND ${TESS} help --man OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "tess help --man failed: ${result}")
endif()
