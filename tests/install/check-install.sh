#!/usr/bin/env bash
# The install for a simulator: `cmake --install` of the build into a temporary X-Plane folder
# lays out exactly the plug-in (lin.xpl and its core), INSTALL.txt, the example scripts and the
# editor stubs, and the Python it carries when BM_BUNDLE_PYTHON is on; lin.xpl needs no Python,
# the core needs libpython by its soname; neither names a folder of the build machine, each
# exports only the five entry points; and the stand-in's bmsim runs the installed examples from
# there: on the Python carried, and (the plug-in alone) on the build's libpython from
# LD_LIBRARY_PATH. Without any libpython to be found, the plug-in says so in one line and the run
# goes on without it.
#
#   check-install.sh <build folder> <bmsim> <folder of the build's libpython> <BM_BUNDLE_PYTHON>
#                    <Python version> <its home>
set -uo pipefail
build="$1" bmsim="$2" libdir="$3" bundled="$4" version="$5" home="$6"
line_version="${version%.*}"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/bm-install-XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "check-install: FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "check-install: ok: $*"; }

plugin_dir="Resources/plugins/Brindlemoor/64"
script_dir="Resources/plugins/PythonScripts"
plugin="$prefix/$plugin_dir/lin.xpl"
core="$prefix/$plugin_dir/brindlemoor_core.so"

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"; rm -f "$prefix.log"
  fail "cmake --install $build --prefix $prefix failed"
  exit 1
fi
rm -f "$prefix.log"

# Exactly these files, nothing of the stand-in, the tests or the benchmarks. A bundled install
# also has the Python folder, which check-zip.sh looks into.
soname="$(readelf -d "$core" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(libpython[^]]*\)\]/\1/p')"
expected="$( {
  echo "$plugin_dir/lin.xpl"
  echo "$plugin_dir/brindlemoor_core.so"
  echo "Resources/plugins/Brindlemoor/INSTALL.txt"
  for f in "$source_dir"/examples/*.py; do
    [ "$(basename "$f")" = BM_Broken.py ] || echo "$script_dir/$(basename "$f")"
  done
  for f in "$source_dir"/stubs/*.pyi; do echo "$script_dir/stubs/$(basename "$f")"; done
} | sort)"
actual="$(cd "$prefix" && find . \( -type f -o -type l \) -not -path './Resources/plugins/Brindlemoor/python/*' | sed 's|^\./||' | sort)"
if [ "$actual" = "$expected" ]; then
  ok "the installed files are the plug-in, INSTALL.txt, $(ls "$source_dir"/examples/*.py | grep -vc BM_Broken) examples and $(ls "$source_dir"/stubs/*.pyi | wc -l) stubs"
else
  fail "the installed files differ from the layout the simulator expects:"
  diff <(echo "$expected") <(echo "$actual") | sed -n 's/^</  missing: /p; s/^>/  unexpected: /p'
fi
for f in "$source_dir"/stubs/*.pyi; do
  cmp -s "$f" "$prefix/$script_dir/stubs/$(basename "$f")" || fail "stubs/$(basename "$f") was installed changed"
done
case "$bundled" in ON|on|1|TRUE|true|YES|yes)
  [ -f "$prefix/Resources/plugins/Brindlemoor/python/lib/$soname" ] && ok "BM_BUNDLE_PYTHON put the Python beside the plug-in" ||
    fail "BM_BUNDLE_PYTHON=ON, but there is no Resources/plugins/Brindlemoor/python/lib/$soname" ;;
  *) [ ! -e "$prefix/Resources/plugins/Brindlemoor/python" ] && ok "no Python beside the plug-in" ||
    fail "a Python was installed beside the plug-in without BM_BUNDLE_PYTHON" ;;
esac

# lin.xpl: the run path $ORIGIN alone, and no libpython; the core needs libpython by its soname.
paths="$(readelf -d "$plugin" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\1 \2/p')"
if [ "$paths" = 'RUNPATH $ORIGIN' ]; then
  ok "lin.xpl has the run path \$ORIGIN alone"
else
  fail "lin.xpl's run path should be \$ORIGIN alone, not: ${paths:-none}"
fi
readelf -d "$plugin" | grep -q 'NEEDED.*libpython' && fail "lin.xpl needs libpython: the simulator could not load it without" ||
  ok "lin.xpl needs no libpython"
paths="$(readelf -d "$core" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\1 \2/p')"
[ -z "$paths" ] && ok "brindlemoor_core.so has no run path" || fail "brindlemoor_core.so has the run path $paths"
[ -n "$soname" ] && ok "brindlemoor_core.so needs $soname" || fail "brindlemoor_core.so names no libpython by its soname"

# No folder of the build machine anywhere in the files (debug information included). A sanitizer
# build's instrumentation names its source files, so there only the run paths count.
# grep reads a copy: stopping early in a pipe, it would end nm by SIGPIPE, a failure to pipefail.
for file in "$plugin" "$core"; do
  name="$(basename "$file")"
  symbols="$(nm -D "$file" 2>/dev/null)"
  if grep -q __asan_init <<<"$symbols"; then
    ok "a sanitizer build: the source names of $name are not looked for"
  else
    named="$(strings -a "$file" | grep -F -e "$source_dir" -e "$(cd "$build" && pwd)" -e "$libdir" | head -3)"
    [ -z "$named" ] && ok "$name names no folder of the build machine" ||
      fail "$name names folders of the build machine: $named"
  fi
  # Only the five entry points.
  exported="$(nm -D --defined-only "$file" | awk '$2 ~ /^[TDBRVWiu]$/ {print $3}' | sort | tr '\n' ' ')"
  if [ "$exported" = "XPluginDisable XPluginEnable XPluginReceiveMessage XPluginStart XPluginStop " ]; then
    ok "$name exports its five entry points alone"
  else
    fail "$name exports: $exported"
  fi
done
grep -q "glibc [0-9.]* or later" "$prefix/Resources/plugins/Brindlemoor/INSTALL.txt" &&
  ok "INSTALL.txt says which glibc it needs" || fail "INSTALL.txt does not say which glibc it needs"

# bmsim runs the installed plug-in on the installed scripts. The stubs folder is no script.
run_bmsim() {
  local what="$1" root="$2"; shift 2
  local status
  output="$("$@" "$bmsim" --root "$root" --plugin "$root/$plugin_dir/lin.xpl" --frames 2 2>&1)"
  status=$?
  if [ $status -ne 0 ]; then
    fail "bmsim ($what) ended with status $status:"; echo "$output" | sed 's/^/  /'; return
  fi
  local missing=0
  for f in "$root/$script_dir"/*.py; do
    name="$(basename "$f" .py)"
    grep -qxF "[log] '$name' successfully loaded" <<<"$output" || { fail "bmsim ($what) did not load $name"; missing=1; }
  done
  local loaded examples
  loaded="$(grep -c "successfully loaded" <<<"$output")"
  examples="$(ls "$root/$script_dir"/*.py | wc -l)"
  [ "$loaded" -eq "$examples" ] || fail "bmsim ($what) loaded $loaded scripts, not the $examples installed examples"
  grep -q "failed to load\|Traceback" <<<"$output" && fail "bmsim ($what) reported an error:" && echo "$output" | sed 's/^/  /'
  grep -qxF "[out] Lifecycle: stopping" <<<"$output" || fail "bmsim ($what) did not stop the scripts"
  [ $missing -eq 0 ] && ok "bmsim ($what) ran the $examples installed examples"
}
expect_python() {
  grep -qxF "[log] Python $version (home $1)" <<<"$output" && ok "the log says which Python runs: Python $version (home $1)" ||
    fail "the log does not say 'Python $version (home $1)'"
}
# The Python carried is stripped: in a sanitizer build the leak report could not tell the
# interpreter's own allocations there (the build tree's runs look for the plug-in's leaks).
case "$bundled" in ON|on|1|TRUE|true|YES|yes)
  run_bmsim "its own Python" "$prefix" env -u LD_LIBRARY_PATH -u PYTHONHOME ASAN_OPTIONS=detect_leaks=0
  expect_python "Resources/plugins/Brindlemoor/python" ;;
esac

# The plug-in without a Python of its own (`--component plugin`) takes the system's: here the
# build's libpython on LD_LIBRARY_PATH, its home the folder above it.
plain="$prefix/plain"
cmake --install "$build" --prefix "$plain" --component plugin >/dev/null 2>&1 || fail "cmake --install --component plugin failed"
[ ! -e "$plain/Resources/plugins/Brindlemoor/python" ] && ok "--component plugin installs no Python" ||
  fail "--component plugin installed a Python"
run_bmsim "libpython from LD_LIBRARY_PATH" "$plain" env -u PYTHONHOME LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
expect_python "$home"
# Where the system has no libpython of this version (no LD_LIBRARY_PATH, nothing beside lin.xpl):
# one line in each log, XPluginStart answers 0, and bmsim goes on to its end.
# The loader's cache may be stale or its tool off PATH (it lives in /sbin), so the default folders
# are looked in too.
system_has_soname() {
  local ldconfig d
  for ldconfig in ldconfig /sbin/ldconfig /usr/sbin/ldconfig; do
    "$ldconfig" -p 2>/dev/null | grep -qF "$soname " && return 0
  done
  for d in /lib /usr/lib /lib64 /usr/lib64 /lib/*-linux-gnu /usr/lib/*-linux-gnu; do
    [ -e "$d/$soname" ] && return 0
  done
  return 1
}
if ! system_has_soname; then
  output="$(env -u LD_LIBRARY_PATH -u PYTHONHOME "$bmsim" --root "$plain" --plugin "$plain/$plugin_dir/lin.xpl" --frames 2 2>&1)"
  status=$?
  line="Brindlemoor: cannot start Python $line_version: no $soname beside the plug-in or on the system ($soname: cannot open shared object file: No such file or directory): install Python $line_version's shared library, or the zip that carries its own Python; see Resources/plugins/Brindlemoor/INSTALL.txt"
  if [ $status -eq 0 ] && grep -qxF "[sim] $line" <<<"$output" && grep -qxF "[log] $line" <<<"$output" &&
     grep -qxF "bmsim: plug-in $plain/$plugin_dir/lin.xpl left out: XPluginStart returned 0 (plug-in 1)" <<<"$output"; then
    ok "without libpython the plug-in says so in both logs and stands aside"
  else
    fail "without libpython (status $status):"; echo "$output" | sed 's/^/  /'
  fi
fi

if [ $failures -eq 0 ]; then echo "check-install: the install is what the simulator expects"; exit 0; fi
echo "check-install: $failures problems"
exit 1
