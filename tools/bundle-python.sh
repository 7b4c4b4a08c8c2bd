#!/usr/bin/env bash
# Makes a complete, relocatable Python out of an installed one, for the plug-in's zip: the shared
# library, the standard library with its extension modules, and every library they need that is
# not part of glibc, so that the unpacked zip runs on a Linux machine with no Python at all.
#
#   tools/bundle-python.sh <libpython file> <X.Y> <destination folder>
#
#   e.g. tools/bundle-python.sh ~/.pyenv/versions/2.7.18/lib/libpython2.7.so.1.0 2.7 out/python
#        tools/bundle-python.sh /usr/lib/x86_64-linux-gnu/libpython3.11.so.1.0 3.11 out/python
#
# The Python home is the first folder above the library's that holds lib/pythonX.Y/os.py (pyenv:
# the version's folder; Debian: /usr). The destination is emptied first and then holds:
#   lib/<soname>            the library, stripped, run path $ORIGIN
#   lib/<dependency>        each library needed that is not glibc's, under its soname, likewise
#   lib/pythonX.Y/          the standard library; lib-dynload/ with run path $ORIGIN/../..
#   lib/pythonX.Y/site-packages/   empty
# Left out: test suites, idlelib, tkinter/lib-tk, turtle and turtledemo, ensurepip, __pycache__,
# *.pyc/*.pyo, Windows installers (*.exe), config* (static library, Makefile), what is installed
# in site-packages/dist-packages, Debian's sitecustomize.py and EXTERNALLY-MANAGED, and the
# extension modules that need a display, a terminal, NIS or a database library, or are there
# only for CPython's own tests (see left_out_modules).
# Needs readelf and strip (binutils), patchelf, and ldd (libc-bin).
set -euo pipefail

me="bundle-python"
die() { echo "$me: $*" >&2; exit 1; }

if [ $# -ne 3 ]; then
  echo "usage: tools/bundle-python.sh <libpython file> <X.Y> <destination folder>" >&2
  exit 2
fi
library="$1" xy="$2" dest="$3"

[[ "$xy" =~ ^[0-9]+\.[0-9]+$ ]] || die "the version must be X.Y, as 2.7 or 3.11, not '$xy'"
command -v patchelf >/dev/null || die "patchelf is needed (apt-get install patchelf)"
for tool in readelf strip; do
  command -v "$tool" >/dev/null || die "$tool is needed (apt-get install binutils)"
done
command -v ldd >/dev/null || die "ldd is needed (apt-get install libc-bin)"

# glibc's own libraries: every Linux machine has them, and they must be the machine's.
glibc_libs=(libc.so.6 libm.so.6 libpthread.so.0 libdl.so.2 librt.so.1 libutil.so.1 libresolv.so.2
            libanl.so.1 libmvec.so.1 libBrokenLocale.so.1 libnsl.so.1 libthread_db.so.1
            ld-linux-x86-64.so.2 linux-vdso.so.1)
is_glibc() {
  local g
  for g in "${glibc_libs[@]}"; do [ "$1" = "$g" ] && return 0; done
  return 1
}

# Extension modules left out, by module name: a display (_tkinter), a terminal (readline, curses),
# NIS (nis: libnsl.so.2, libtirpc), Berkeley DB or GDBM (dbm and bsddb), and CPython's own test
# and example modules.
left_out_modules=(_tkinter readline _curses _curses_panel nis _dbm dbm _gdbm gdbm _bsddb
                  _testcapi _testbuffer _testclinic _testimportmultiple _testinternalcapi
                  _testmultiphase _testsinglephase _xxtestfuzz _ctypes_test xxlimited xxlimited_35)

[ -e "$library" ] || die "no library $library"
real_library="$(readlink -f "$library")"
[ -f "$real_library" ] || die "$library is not a file"
soname="$(readelf -d "$real_library" 2>/dev/null | sed -n 's/.*(SONAME).*\[\(.*\)\]$/\1/p')" || true
[ -n "$soname" ] || die "$real_library has no soname: not a shared library"
[[ "$soname" == libpython"$xy"* ]] || die "$real_library is $soname, not the library of Python $xy"

# The home: the first folder, from the library's up, that holds the standard library.
home="" dir="$(dirname "$real_library")"
while :; do
  if [ -f "$dir/lib/python$xy/os.py" ]; then home="$dir"; break; fi
  [ "$dir" = / ] && break
  dir="$(dirname "$dir")"
done
[ -n "$home" ] || die "no Python home for $real_library: no folder above it holds lib/python$xy/os.py"
stdlib="$home/lib/python$xy"

# X.Y.Z: from the headers beside the library (pyenv, Debian's pythonX.Y-dev), else from the library.
version=""
for h in "$home"/include/python"$xy"*/patchlevel.h; do
  [ -f "$h" ] || continue
  version="$(sed -n 's/^#define[[:space:]]*PY_VERSION[[:space:]]*"\([^"]*\)".*/\1/p' "$h")"
  [ -n "$version" ] && break
done
if [ -z "$version" ]; then
  version="$( (strings -a "$real_library" || true) | grep -m1 -E "^${xy//./\\.}\.[0-9]+[a-z0-9+]*\$" || true)"
fi
if [ -z "$version" ]; then
  echo "$me: cannot tell the micro version of Python $xy: no patchlevel.h in $home/include" >&2
  version="$xy"
fi

# The destination is emptied: only a folder that holds nothing but an earlier bundle's entries.
dest="$(realpath -m "$dest")"
[ "$dest" != / ] || die "refusing to empty /"
case "$home/" in "$dest"/*) die "refusing to empty $dest: it holds the Python it would copy" ;; esac
case "$dest/" in "$stdlib"/*) die "refusing to write into the standard library ($dest)" ;; esac
[ ! -e "$dest" ] || [ -d "$dest" ] || die "$dest is not a folder"
mkdir -p "$dest"
for entry in "$dest"/* "$dest"/.[!.]* "$dest"/..?*; do
  [ -e "$entry" ] || [ -L "$entry" ] || continue
  case "$(basename "$entry")" in lib) ;;
    *) die "refusing to empty $dest: it holds $(basename "$entry"), which no bundle has" ;;
  esac
done
find "$dest" -mindepth 1 -delete
lib="$dest/lib"
pylib="$lib/python$xy"
mkdir -p "$pylib/site-packages"

# The standard library, links followed (nothing in the bundle may point outside it).
(
  cd "$stdlib"
  find . \( -type d \( -name test -o -name tests -o -name idle_test -o -name __pycache__ \
                       -o -path ./idlelib -o -path ./tkinter -o -path ./lib-tk -o -path ./turtledemo \
                       -o -path ./ensurepip -o -path './config*' -o -path ./site-packages \
                       -o -path ./dist-packages \) -prune \) \
      -o -name '*.pyc' -o -name '*.pyo' -o -name '*.exe' \
      -o -path ./turtle.py -o -path ./sitecustomize.py -o -path ./EXTERNALLY-MANAGED \
      -o \( -xtype l -fprintf /dev/stderr "$me: leaving out %p, a link to nothing\n" \) \
      -o \( \( -type f -o -type l \) -print0 \) |
    xargs -0 -r cp -L -R --preserve=mode,timestamps --parents -t "$pylib"
)
chmod -R u+w "$dest"

if [ -d "$pylib/lib-dynload" ]; then
  for f in "$pylib/lib-dynload"/*; do
    name="$(basename "$f")"
    name="${name%%.*}"
    for m in "${left_out_modules[@]}"; do
      if [ "$name" = "$m" ]; then rm -f "$f"; break; fi
    done
  done
fi

cp -L --preserve=mode,timestamps "$real_library" "$lib/$soname"
chmod u+w "$lib/$soname"

is_elf() {
  local magic=""
  LC_ALL=C read -r -n4 magic < "$1" 2>/dev/null || true
  [ "$magic" = $'\x7fELF' ]
}
elf_files() {
  local f
  while IFS= read -r -d '' f; do
    if is_elf "$f"; then printf '%s\0' "$f"; fi
  done < <(find "$lib" -type f -print0 | LC_ALL=C sort -z)
}
relative() { echo "${1#"$dest"/}"; }

# Every library these need, as this machine's loader finds it (the copies still carry the
# original run paths), except glibc's and libpython itself.
declare -A needed_from=()
while IFS= read -r -d '' f; do
  out="$(ldd "$f" 2>&1)" || die "ldd failed on $(relative "$f"): $out"
  while read -r name arrow path _; do
    [ "$arrow" = "=>" ] || continue
    if is_glibc "$name" || [ "$name" = "$soname" ]; then continue; fi
    [ "$path" != not ] || die "$(relative "$f") needs $name, which this machine does not have"
    path="$(readlink -f "$path")"
    if [ -n "${needed_from[$name]:-}" ] && [ "${needed_from[$name]}" != "$path" ]; then
      die "$name is found both as ${needed_from[$name]} and as $path"
    fi
    needed_from[$name]="$path"
  done <<< "$out"
done < <(elf_files)
for name in "${!needed_from[@]}"; do
  cp -L "${needed_from[$name]}" "$lib/$name"
  chmod u+w,a+r "$lib/$name"
done

# Stripped first: strip may undo what patchelf moved.
while IFS= read -r -d '' f; do
  strip --strip-unneeded "$f"
  # shellcheck disable=SC2016 # $ORIGIN is for the loader, not the shell
  run_path='$ORIGIN'
  up="$(realpath --relative-to="$(dirname "$f")" "$lib")"
  [ "$up" = . ] || run_path="\$ORIGIN/$up"
  patchelf --set-rpath "$run_path" "$f"
done < <(elf_files)

# Every library a bundled file needs is in lib/ or glibc's.
while IFS= read -r -d '' f; do
  for name in $(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
    is_glibc "$name" || [ -f "$lib/$name" ] || die "$(relative "$f") needs $name, which is not in the bundle"
  done
done < <(elf_files)
links="$(find "$dest" -type l)"
[ -z "$links" ] || die "links left in the bundle: $links"

# The newest GLIBC_x.y any file asks of glibc's libraries.
glibc="$(
  while IFS= read -r -d '' f; do readelf -V --wide "$f"; done < <(elf_files) |
    awk -v libs="${glibc_libs[*]}" '
      BEGIN { n = split(libs, l, " "); for (i = 1; i <= n; i++) glibc[l[i]] = 1 }
      /^Version needs section/ { needs = 1; next }
      /^Version (symbols|definition) section/ || /^File: / { needs = 0; next }
      needs && / File: / { for (i = 1; i < NF; i++) if ($i == "File:") from = $(i + 1); next }
      needs && from in glibc && / Name: GLIBC_[0-9]/ {
        for (i = 1; i < NF; i++) if ($i == "Name:") { v = $(i + 1); sub(/^GLIBC_/, "", v); print v }
      }' |
    sort -u -V | tail -n 1
)"
[ -n "$glibc" ] || die "found no GLIBC_ version in the bundled files"

files="$(find "$dest" -type f | wc -l)"
megabytes="$(find "$dest" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.1f", s / 1048576 }')"
echo "$me: Python $version from $home -> $dest: $files files, $megabytes MB, needs glibc $glibc"
