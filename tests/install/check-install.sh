#!/usr/bin/env bash
# The install for a simulator: `cmake --install` of the build into a temporary X-Plane folder
# lays out exactly the plug-in, the example scripts and the editor stubs; the installed plug-in
# names no folder of the build machine, exports only its five entry points, and the stand-in's
# bmsim loads it from there and runs the installed examples: with the build's libpython on
# LD_LIBRARY_PATH, and with the copy `--component python` puts beside lin.xpl and nothing else.
#
#   check-install.sh <build folder> <bmsim> <folder of the build's libpython> <BM_BUNDLE_PYTHON>
set -uo pipefail
build="$1" bmsim="$2" libdir="$3" bundled="$4"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/bm-install-XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "check-install: FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "check-install: ok: $*"; }

plugin_dir="Resources/plugins/Brindlemoor/64"
script_dir="Resources/plugins/PythonScripts"
plugin="$prefix/$plugin_dir/lin.xpl"

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log"; rm -f "$prefix.log"
  fail "cmake --install $build --prefix $prefix failed"
  exit 1
fi
rm -f "$prefix.log"

# Exactly these files, nothing of the stand-in, the tests or the benchmarks.
soname="$(readelf -d "$plugin" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(libpython[^]]*\)\]/\1/p')"
expected="$( {
  echo "$plugin_dir/lin.xpl"
  case "$bundled" in ON|on|1|TRUE|true|YES|yes) echo "$plugin_dir/$soname" ;; esac
  for f in "$source_dir"/examples/*.py; do
    [ "$(basename "$f")" = BM_Broken.py ] || echo "$script_dir/$(basename "$f")"
  done
  for f in "$source_dir"/stubs/*.pyi; do echo "$script_dir/stubs/$(basename "$f")"; done
} | sort)"
actual="$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)"
if [ "$actual" = "$expected" ]; then
  ok "the installed files are the plug-in, $(ls "$source_dir"/examples/*.py | grep -vc BM_Broken) examples and $(ls "$source_dir"/stubs/*.pyi | wc -l) stubs"
else
  fail "the installed files differ from the layout the simulator expects:"
  diff <(echo "$expected") <(echo "$actual") | sed -n 's/^</  missing: /p; s/^>/  unexpected: /p'
fi
for f in "$source_dir"/stubs/*.pyi; do
  cmp -s "$f" "$prefix/$script_dir/stubs/$(basename "$f")" || fail "stubs/$(basename "$f") was installed changed"
done

# The run path: $ORIGIN alone, no folder of the build machine.
paths="$(readelf -d "$plugin" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\1 \2/p')"
if [ "$paths" = 'RUNPATH $ORIGIN' ]; then
  ok "lin.xpl has the run path \$ORIGIN alone"
else
  fail "lin.xpl's run path should be \$ORIGIN alone, not: ${paths:-none}"
fi
[ -n "$soname" ] && ok "lin.xpl needs $soname" || fail "lin.xpl names no libpython by its soname"

# No folder of the build machine anywhere in the file (debug information included). A sanitizer
# build's instrumentation names its source files, so there only the run path counts.
# grep reads a copy: stopping early in a pipe, it would end nm by SIGPIPE, a failure to pipefail.
symbols="$(nm -D "$plugin" 2>/dev/null)"
if grep -q __asan_init <<<"$symbols"; then
  ok "a sanitizer build: its source names are not looked for"
else
  named="$(strings -a "$plugin" | grep -F -e "$source_dir" -e "$(cd "$build" && pwd)" -e "$libdir" | head -3)"
  [ -z "$named" ] && ok "lin.xpl names no folder of the build machine" ||
    fail "lin.xpl names folders of the build machine: $named"
fi

# Only the five entry points.
exported="$(nm -D --defined-only "$plugin" | awk '$2 ~ /^[TDBRVWiu]$/ {print $3}' | sort | tr '\n' ' ')"
if [ "$exported" = "XPluginDisable XPluginEnable XPluginReceiveMessage XPluginStart XPluginStop " ]; then
  ok "lin.xpl exports its five entry points alone"
else
  fail "lin.xpl exports: $exported"
fi

# bmsim runs the installed plug-in on the installed scripts. The stubs folder is no script.
run_bmsim() {
  local what="$1"; shift
  local output status
  output="$("$@" "$bmsim" --root "$prefix" --plugin "$plugin" --frames 2 2>&1)"
  status=$?
  if [ $status -ne 0 ]; then
    fail "bmsim ($what) ended with status $status:"; echo "$output" | sed 's/^/  /'; return
  fi
  local missing=0
  for f in "$prefix/$script_dir"/*.py; do
    name="$(basename "$f" .py)"
    grep -qxF "[log] '$name' successfully loaded" <<<"$output" || { fail "bmsim ($what) did not load $name"; missing=1; }
  done
  local loaded examples
  loaded="$(grep -c "successfully loaded" <<<"$output")"
  examples="$(ls "$prefix/$script_dir"/*.py | wc -l)"
  [ "$loaded" -eq "$examples" ] || fail "bmsim ($what) loaded $loaded scripts, not the $examples installed examples"
  grep -q "failed to load\|Traceback" <<<"$output" && fail "bmsim ($what) reported an error:" && echo "$output" | sed 's/^/  /'
  grep -qxF "[out] Lifecycle: stopping" <<<"$output" || fail "bmsim ($what) did not stop the scripts"
  [ $missing -eq 0 ] && ok "bmsim ($what) ran the $examples installed examples"
}
run_bmsim "libpython from LD_LIBRARY_PATH" env LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

if cmake --install "$build" --prefix "$prefix" --component python >/dev/null 2>&1 && [ -f "$prefix/$plugin_dir/$soname" ]; then
  ok "--component python put $soname beside lin.xpl"
  run_bmsim "libpython beside lin.xpl" env -u LD_LIBRARY_PATH
else
  fail "cmake --install --component python did not put $soname beside lin.xpl"
fi

if [ $failures -eq 0 ]; then echo "check-install: the install is what the simulator expects"; exit 0; fi
echo "check-install: $failures problems"
exit 1
