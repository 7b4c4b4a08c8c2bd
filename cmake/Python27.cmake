# Finds the Python 2.7 that the plug-in embeds: headers and a shared libpython.
# A pyenv 2.7 install is used when Python2_ROOT_DIR is not given.

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
find_package(Python2 2.7 EXACT COMPONENTS Interpreter Development)

if(NOT Python2_Development_FOUND OR NOT Python2_LIBRARIES MATCHES "\\.so")
  message(FATAL_ERROR
    "Brindlemoor embeds Python 2.7 and needs its headers and shared library (libpython2.7.so).\n"
    "None was found. Install one with pyenv (PYTHON_CONFIGURE_OPTS=--enable-shared pyenv install 2.7.18)\n"
    "or point the build at one: cmake -DPython2_ROOT_DIR=/path/to/python2.7 ...")
endif()
message(STATUS "Embedding Python ${Python2_VERSION} from ${Python2_LIBRARIES}")
