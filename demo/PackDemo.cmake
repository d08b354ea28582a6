# Packs the demo's UTF-8 scripts (STORY, as written in demo/story) and its
# generated pictures and sounds (IN/image, IN/sound) into OUT/script.chs,
# OUT/image.pk2 and OUT/sound.pk2 with plain `vxtool pack`, which turns the
# UTF-8 sources into the player's code page 932 text, then checks the scripts
# with `vxtool lint`. Run by the build as
#   cmake -DVXTOOL=... -DIN=... -DSTORY=... -DOUT=... -P PackDemo.cmake
# A vxtool without a `pack` command (an older build) leaves the archives
# unmade with a warning instead of failing the whole build.
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${VXTOOL} ERROR_VARIABLE usage OUTPUT_VARIABLE usage_out RESULT_VARIABLE ignored)
string(APPEND usage "${usage_out}")
if(NOT usage MATCHES "vxtool pack ")
  message(WARNING "vxtool has no 'pack' command yet: the demo archives in ${OUT} were not made")
  return()
endif()

file(MAKE_DIRECTORY ${OUT})
foreach(pair "${STORY};script.chs" "${IN}/image;image.pk2" "${IN}/sound;sound.pk2")
  list(GET pair 0 dir)
  list(GET pair 1 archive)
  execute_process(COMMAND ${VXTOOL} pack ${dir} ${OUT}/${archive} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "vxtool pack ${dir} ${OUT}/${archive} failed (${rc})")
  endif()
endforeach()

# ---- lint ----
# `vxtool lint` checks the packed scripts against the packed pictures and
# sounds. Until vxtool has the command this step is skipped; once it lands,
# a lint failure fails the build.
if(usage MATCHES "vxtool lint ")
  execute_process(COMMAND ${VXTOOL} lint ${OUT} RESULT_VARIABLE rc OUTPUT_VARIABLE lint_out ERROR_VARIABLE lint_err)
  message(STATUS "${lint_out}${lint_err}")
  if(NOT rc EQUAL 0)
    if("${lint_err}" MATCHES "usage")
      # The command exists but wants other arguments than the game directory.
      message(WARNING "vxtool lint does not take the game directory; adjust demo/PackDemo.cmake")
    else()
      message(FATAL_ERROR "vxtool lint ${OUT} found problems in the demo story")
    endif()
  endif()
else()
  message(STATUS "vxtool has no 'lint' command yet: the demo scripts were not linted")
endif()

file(TOUCH ${OUT}/packed.stamp)
