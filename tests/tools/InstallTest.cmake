# Installs the build into a fresh prefix, runs the installed brindlex from elsewhere, and builds
# the Debian package and checks what it holds. cmake -DBUILD=... -DWORK=... -P InstallTest.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/elsewhere)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                  WORKING_DIRECTORY ${WORK}/elsewhere)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}): ${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix)
run(env -u BRINDLEX_COMPONENT ${WORK}/prefix/bin/brindlex demo demo)
foreach(made demo-in.wav demo-out.wav editor.png)
  if(NOT EXISTS ${WORK}/elsewhere/demo/${made})
    message(FATAL_ERROR "the installed brindlex demo made no ${made}: ${out}")
  endif()
endforeach()

run(cpack --config ${BUILD}/CPackConfig.cmake -G DEB -B ${WORK}/package)
file(GLOB package ${WORK}/package/brindlex_*.deb)
run(dpkg-deb -c ${package})
foreach(held ./usr/bin/brindlex ./usr/share/man/man1/brindlex.1
        ./usr/share/bash-completion/completions/brindlex
        ./usr/lib/brindlex/Brindlex.component/Contents/Info.plist ./usr/lib/lv2/Brindlex.lv2/manifest.ttl)
  string(FIND "${out}" " ${held}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks ${held}:\n${out}")
  endif()
endforeach()
run(dpkg-deb -f ${package} Depends)
if(NOT out MATCHES "libsndfile1")
  message(FATAL_ERROR "the package declares no runtime dependencies: ${out}")
endif()
file(REMOVE_RECURSE ${WORK})
