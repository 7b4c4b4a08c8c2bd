#!/usr/bin/env bash
# The zip a pilot downloads, tried as a pilot would: `cpack` makes it, named for what it holds;
# unpacked into a fresh folder it holds the plug-in, INSTALL.txt and a complete Python that needs
# only glibc; and bmsim runs the examples from there with every other Python of the machine out
# of sight (no PYENV_ROOT, no PYTHONHOME, PATH=/usr/bin:/bin, a library path finding only the
# Python in the zip). A script asks the process itself where its Python came from.
#
#   check-zip.sh <build folder> <bmsim> <Python version, 2.7.18> <plug-in version, 1.92>
set -uo pipefail
build="$1" bmsim="$2" version="$3" release="$4"
line="${version%.*}"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/bm-zip-XXXXXX")"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "check-zip: FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "check-zip: ok: $*"; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack failed"
  exit 1
fi
zip_name="Brindlemoor-$release-linux-$(uname -m)-py$line.zip"
made="$(cd "$work/out" && ls ./*.zip 2>/dev/null | sed 's|^\./||')"
[ "$made" = "$zip_name" ] && ok "cpack made $zip_name ($(($(stat -c %s "$work/out/$zip_name") / 1024)) KiB)" ||
  { fail "cpack made '${made:-nothing}', not $zip_name"; exit 1; }

sim="$work/X-Plane"
mkdir -p "$sim" && (cd "$sim" && cmake -E tar xf "$work/out/$zip_name") || { fail "cannot unpack $zip_name"; exit 1; }
plugin="$sim/Resources/plugins/Brindlemoor"
python="$plugin/python"
scripts="$sim/Resources/plugins/PythonScripts"

# What the Python folder holds: the library and the standard library, without test suites,
# idlelib, tkinter, ensurepip or compiled caches.
soname="$(readelf -d "$plugin/64/brindlemoor_core.so" | sed -n 's/.*(NEEDED).*\[\(libpython[^]]*\)\]/\1/p')"
[ -f "$python/lib/$soname" ] && [ -f "$python/lib/python$line/os.py" ] &&
  ok "the zip carries $soname and the standard library of Python $line" || fail "the zip lacks $soname or lib/python$line/os.py"
unwanted="$(cd "$python" && find . \( -name test -o -name tests -o -name idlelib -o -name tkinter -o -name lib-tk \
  -o -name ensurepip -o -name __pycache__ -o -name '*.pyc' -o -name '*.pyo' \) -print | head -5)"
[ -z "$unwanted" ] && ok "no test suites, idlelib, tkinter, ensurepip or compiled caches" || fail "the zip holds: $unwanted"

# Every shared object in the zip needs only what the zip carries, glibc, and (the plug-in's two
# files) the C++ runtime the simulator has; in a sanitizer build, also the sanitizers' runtimes.
glibc=" libc.so.6 libm.so.6 libpthread.so.0 libdl.so.2 librt.so.1 libutil.so.1 libresolv.so.2 libanl.so.1 ld-linux-x86-64.so.2 "
outside=""
while IFS= read -r -d '' f; do
  for needed in $(readelf -d "$f" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    case "$glibc" in *" $needed "*) continue ;; esac
    [ -e "$python/lib/$needed" ] && continue
    case "$f:$needed" in
      "$plugin/64/"*:libstdc++.so.6 | "$plugin/64/"*:libgcc_s.so.1 | "$plugin/64/"*:"$soname") continue ;;
      "$plugin/64/"*:libasan.so.* | "$plugin/64/"*:libubsan.so.*) continue ;;
    esac
    outside+=" ${f#"$sim/"}:$needed"
  done
done < <(find "$plugin" -type f \( -name '*.so*' -o -name '*.xpl' \) -print0)
[ -z "$outside" ] && ok "its shared objects need nothing beyond the zip, glibc and the C++ runtime" ||
  fail "shared objects need what the zip does not carry:$outside"
grep -qE "^A 64-bit Linux with glibc [0-9.]+ or later" "$plugin/INSTALL.txt" && grep -qF "$zip_name" "$plugin/INSTALL.txt" &&
  grep -qF "Python in Resources/plugins/Brindlemoor/python" "$plugin/INSTALL.txt" &&
  ok "INSTALL.txt says what it needs: $(grep -oE 'glibc [0-9.]+ or later' "$plugin/INSTALL.txt")" ||
  fail "INSTALL.txt does not say what the zip needs"

# The process's own view: sys.prefix, the libpython mapped, and where extension modules came from.
cat >"$scripts/BM_WhereFrom.py" <<'EOF'
import sys, json, ctypes, sqlite3, ssl, zlib
class Brindlemoor:
    def XPluginStart(self):
        print('where: prefix ' + sys.prefix)
        for line in open('/proc/self/maps'):
            name = line.split()[-1]
            if 'libpython' in name or 'libssl' in name or 'libsqlite3' in name:
                print('where: mapped ' + name)
        for module in (json, ctypes, sqlite3, ssl, zlib):
            print('where: %s %s' % (module.__name__, getattr(module, '__file__', 'built in')))
        return 'Where from', 'bm.where', 'where Python came from'
    def XPluginStop(self): pass
    def XPluginEnable(self): return 1
    def XPluginDisable(self): pass
    def XPluginReceiveMessage(self, who, message, param): pass
EOF
# Twice: with a library path finding only the zip's Python, and with none, as a pilot runs it. In
# a sanitizer build without the leak report, which cannot tell the stripped interpreter's own
# allocations (the build tree's runs look for the plug-in's leaks).
for library_path in "$python/lib" ""; do
  what="LD_LIBRARY_PATH=${library_path:-(none)}"
  output="$(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" ${library_path:+LD_LIBRARY_PATH="$library_path"} \
    ASAN_OPTIONS=detect_leaks=0 "$bmsim" --root "$sim" --plugin "$plugin/64/lin.xpl" --frames 3 2>&1)"
  status=$?
  [ $status -eq 0 ] || { fail "bmsim ($what) ended with status $status:"; echo "$output" | sed 's/^/  /'; }
  for f in "$scripts"/BM_*.py; do
    name="$(basename "$f" .py)"
    grep -qxF "[log] '$name' successfully loaded" <<<"$output" || fail "bmsim ($what) did not load $name"
  done
  grep -q "failed to load\|Traceback" <<<"$output" && { fail "bmsim ($what) reported an error:"; echo "$output" | sed 's/^/  /'; }
  grep -qxF "[log] Python $version (home Resources/plugins/Brindlemoor/python)" <<<"$output" &&
    ok "$what: the log says: Python $version (home Resources/plugins/Brindlemoor/python)" ||
    fail "$what: the log does not say 'Python $version (home Resources/plugins/Brindlemoor/python)'"
  grep -qxF "[out] where: prefix $python" <<<"$output" && ok "$what: sys.prefix is the zip's Python" ||
    fail "$what: sys.prefix is not $python: $(grep 'where: prefix' <<<"$output")"
  mapped="$(grep '^\[out\] where: mapped ' <<<"$output" | sed 's/^\[out\] where: mapped //' | sort -u)"
  grep -q "/$soname\$" <<<"$mapped" && ! grep -qv "^$python/lib/" <<<"$mapped" &&
    ok "$what: the process maps libpython, libssl and libsqlite3 from the zip alone" || fail "$what: mapped from elsewhere: $mapped"
  modules="$(grep '^\[out\] where: [a-z0-9]* ' <<<"$output" | grep -v 'where: prefix\|where: mapped')"
  ! grep -v "built in\| $python/lib/python$line/" <<<"$modules" | grep -q . &&
    ok "$what: json, ctypes, sqlite3, ssl and zlib come from the zip" || fail "$what: modules from elsewhere: $modules"
done

if [ $failures -eq 0 ]; then echo "check-zip: $zip_name runs on its own Python"; exit 0; fi
echo "check-zip: $failures problems"
exit 1
