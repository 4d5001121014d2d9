cmake_minimum_required(VERSION 3.20)
# Copies assets/ and maps/ into the run folder. Files the game writes there itself
# (the gain pools, assets/ai.json, ai-2.json, ...) are installed only when missing, so a
# rebuild never loses training.
set(DX_WRITTEN_BY_GAME "^assets/ai(-[^/]*)?\\.json$")
foreach(dir assets maps)
  file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/${dir}/*)
  foreach(f ${files})
    if(f MATCHES "${DX_WRITTEN_BY_GAME}" AND EXISTS ${DST}/${f})
      continue()
    endif()
    get_filename_component(d ${DST}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${d})
    execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SRC}/${f} ${DST}/${f})
  endforeach()
endforeach()
