# Finds the CPython the plug-in embeds (headers and a shared libpython) and makes the target
# bm_python for it.
#
#   BRINDLEMOOR_PYTHON=2 (the default): Python 2.7. Python2_ROOT_DIR picks an installation;
#     without it the newest pyenv 2.7 is used. When no 2.7 with a shared library exists, the
#     build embeds Python 3 instead and says so.
#   BRINDLEMOOR_PYTHON=3: Python 3.6 or later. Python3_ROOT_DIR picks an installation; without
#     it the system's (Debian's python3-dev).

set(BRINDLEMOOR_PYTHON 2 CACHE STRING "Major version of the Python that the plug-in embeds (2 or 3)")
set_property(CACHE BRINDLEMOOR_PYTHON PROPERTY STRINGS 2 3)
if(NOT BRINDLEMOOR_PYTHON MATCHES "^[23]$")
  message(FATAL_ERROR "BRINDLEMOOR_PYTHON must be 2 or 3, not '${BRINDLEMOOR_PYTHON}'")
endif()

function(_bm_shared_library_found prefix out)
  if(${prefix}_Development_FOUND AND "${${prefix}_LIBRARIES}" MATCHES "\\.so")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(_bm_python_major ${BRINDLEMOOR_PYTHON})

if(_bm_python_major EQUAL 2)
  if(NOT Python2_ROOT_DIR)
    set(_pyenv_root "$ENV{PYENV_ROOT}")
    if(NOT _pyenv_root)
      set(_pyenv_root "$ENV{HOME}/.pyenv")
    endif()
    file(GLOB _py27_candidates LIST_DIRECTORIES true "${_pyenv_root}/versions/2.7.*")
    if(_py27_candidates)
      list(SORT _py27_candidates COMPARE NATURAL ORDER DESCENDING)
      list(GET _py27_candidates 0 _py27_root)
      set(Python2_ROOT_DIR "${_py27_root}" CACHE PATH "Python 2.7 installation to embed")
    endif()
  endif()
  set(Python2_FIND_STRATEGY LOCATION)
  set(Python2_USE_STATIC_LIBS OFF)
  find_package(Python2 2.7 EXACT QUIET COMPONENTS Interpreter Development)
  _bm_shared_library_found(Python2 _bm_found)
  if(NOT _bm_found)
    message(STATUS "Brindlemoor embeds Python 3: no Python 2.7 with a shared library (libpython2.7.so) was found (give one with -DPython2_ROOT_DIR=...)")
    set(_bm_python_major 3)
  endif()
endif()

if(_bm_python_major EQUAL 3)
  file(GLOB _bm_system_python3 /usr/include/python3.*/Python.h)
  if(NOT Python3_ROOT_DIR AND _bm_system_python3)
    # The system's Python, not the first python3 on PATH (often a pyenv one).
    set(Python3_ROOT_DIR /usr)
  endif()
  set(Python3_FIND_STRATEGY LOCATION)
  set(Python3_USE_STATIC_LIBS OFF)
  find_package(Python3 3.6 QUIET COMPONENTS Interpreter Development.Embed)
  if(Python3_Development.Embed_FOUND)
    set(Python3_Development_FOUND TRUE)
  endif()
  _bm_shared_library_found(Python3 _bm_found)
  if(NOT _bm_found)
    message(FATAL_ERROR
      "Brindlemoor embeds Python 2.7 or 3.6 and later, and needs its headers and shared library.\n"
      "None was found. Install Debian's python3-dev (tools/install-deps.sh does), or point the build\n"
      "at one: cmake -DBRINDLEMOOR_PYTHON=3 -DPython3_ROOT_DIR=/path/to/python3 ...")
  endif()
endif()

set(BM_PYTHON_MAJOR ${_bm_python_major})
set(BM_PYTHON_VERSION ${Python${_bm_python_major}_VERSION})
set(BM_PYTHON_EXECUTABLE ${Python${_bm_python_major}_EXECUTABLE})
list(GET Python${_bm_python_major}_LIBRARIES 0 BM_PYTHON_LIBRARY)
# The interpreter's home: the folder holding lib/pythonX.Y.
get_filename_component(BM_PYTHON_HOME "${Python${_bm_python_major}_STDLIB}/../.." ABSOLUTE)
add_library(bm_python INTERFACE)
target_link_libraries(bm_python INTERFACE Python${_bm_python_major}::Python)
message(STATUS "Embedding Python ${BM_PYTHON_VERSION} from ${Python${_bm_python_major}_LIBRARIES}")
