# Writes <BM_FOLDER>/INSTALL.txt (the plug-in's folder, Resources/plugins/Brindlemoor) from
# BM_TEMPLATE for what the folder holds: with the Python carried in python/ or without, and the
# newest glibc and C++ runtime versions that its files need (objdump -T of every ELF file there).
#
#   cmake -DBM_FOLDER=... -DBM_TEMPLATE=... -DBM_VERSION=1.92 -DBM_PYTHON_VERSION=2.7.18
#         -DBM_PYTHON_LINE=2.7 -DBM_PYTHON_SONAME=libpython2.7.so.1.0 -DBM_ARCH=x86_64
#         -P WriteInstallText.cmake

function(newest_version text prefix out)
  string(REGEX MATCHALL "${prefix}_[0-9.]+" found "${text}")
  set(newest "")
  foreach(item IN LISTS found)
    string(REPLACE "${prefix}_" "" version "${item}")
    if(newest STREQUAL "" OR version VERSION_GREATER newest)
      set(newest "${version}")
    endif()
  endforeach()
  set(${out} "${newest}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files LIST_DIRECTORIES false "${BM_FOLDER}/*.so*" "${BM_FOLDER}/*.xpl")
set(symbols "")
foreach(file IN LISTS files)
  execute_process(COMMAND objdump -T "${file}" OUTPUT_VARIABLE out ERROR_QUIET)
  string(APPEND symbols "${out}")
endforeach()
newest_version("${symbols}" GLIBC BM_GLIBC)
newest_version("${symbols}" GLIBCXX BM_GLIBCXX)

if(IS_DIRECTORY "${BM_FOLDER}/python")
  set(BM_CONTENTS
"  Resources/plugins/Brindlemoor/python/                 Python ${BM_PYTHON_VERSION}, carried with the plug-in\n")
  set(BM_NEEDS
"A 64-bit Linux with glibc ${BM_GLIBC} or later, and the C++ runtime (libstdc++, GLIBCXX_${BM_GLIBCXX}),
which X-Plane itself needs. Nothing else: no Python need be installed. The plug-in uses only the
Python in Resources/plugins/Brindlemoor/python; PYTHONHOME, PYTHONPATH and the other PYTHON...
variables of the environment are not looked at, nor the user's own site-packages.")
else()
  set(BM_CONTENTS "")
  if(BM_PYTHON_LINE MATCHES "^3")
    set(_apt " On Debian and Ubuntu: apt-get install libpython${BM_PYTHON_LINE}.")
  else()
    set(_apt "")
  endif()
  set(BM_NEEDS
"A 64-bit Linux with glibc ${BM_GLIBC} or later, the C++ runtime (libstdc++, GLIBCXX_${BM_GLIBCXX}),
which X-Plane itself needs, and Python ${BM_PYTHON_LINE} installed with its shared library
(${BM_PYTHON_SONAME}, found on the system's library path) and its standard library
(lib/python${BM_PYTHON_LINE} in the folder above the library, or where PYTHONHOME points).${_apt}
The zip named ...-py${BM_PYTHON_LINE}.zip carries its own Python and needs none of this.")
endif()
configure_file("${BM_TEMPLATE}" "${BM_FOLDER}/INSTALL.txt" @ONLY)
