#!/usr/bin/env bash
# Builds the plug-in against each pyenv CPython that has a shared library and runs the whole test
# suite on it; prints one line per version at the end.
#
#   tools/test-pythons.sh                 every version under $(pyenv root)/versions
#   tools/test-pythons.sh 3.6 3.13        the versions whose names start so
#   tools/test-pythons.sh oldest newest   the oldest and the newest Python 3
#
# Build folders are build-python/<version>; BM_TEST_PYTHONS_KEEP=1 keeps them afterwards.
# Exit status 0 when every version passed.
set -uo pipefail
cd "$(dirname "$0")/.."

root="${PYENV_ROOT:-$HOME/.pyenv}"
jobs="${BM_JOBS:-2}"

# Installations with a shared libpython, oldest first.
installs=()
for dir in $(ls -d "$root"/versions/*/ 2>/dev/null | sort -V); do
  dir="${dir%/}"
  if ls "$dir"/lib/libpython[23].*.so >/dev/null 2>&1; then installs+=("$dir"); fi
done
if [ ${#installs[@]} -eq 0 ]; then
  echo "test-pythons: no CPython with a shared library under $root/versions" >&2
  exit 1
fi

python3s=()
for dir in "${installs[@]}"; do
  case "$(basename "$dir")" in 3.*) python3s+=("$dir") ;; esac
done

chosen=()
if [ $# -eq 0 ]; then
  chosen=("${installs[@]}")
else
  for want in "$@"; do
    case "$want" in
      oldest) [ ${#python3s[@]} -gt 0 ] && chosen+=("${python3s[0]}") ;;
      newest) [ ${#python3s[@]} -gt 0 ] && chosen+=("${python3s[-1]}") ;;
      *) for dir in "${installs[@]}"; do
           name="$(basename "$dir")"
           if [ "$name" = "$want" ] || [[ "$name" == "$want".* ]]; then chosen+=("$dir"); fi
         done ;;
    esac
  done
fi
if [ ${#chosen[@]} -eq 0 ]; then
  echo "test-pythons: no installed version matches: $*" >&2
  exit 1
fi

results=()
failed=0
for dir in "${chosen[@]}"; do
  version="$(basename "$dir")"
  major="${version%%.*}"
  build="build-python/$version"
  log="build-python/$version.log"
  mkdir -p build-python
  echo "== Python $version: building in $build (log: $log)"
  start=$(date +%s)
  if ! { cmake -S . -B "$build" -DBRINDLEMOOR_PYTHON="$major" -DPython${major}_ROOT_DIR="$dir" \
           -DBM_BUILD_BENCH=OFF && cmake --build "$build" -j"$jobs"; } >"$log" 2>&1; then
    results+=("$(printf '%-8s %-9s %s' "$version" "FAILED" "the build failed (see $log)")")
    failed=1
    continue
  fi
  built=$(date +%s)
  ctest --test-dir "$build" -j"$jobs" --output-on-failure >>"$log" 2>&1
  status=$?
  done_at=$(date +%s)
  summary="$(grep -E '^[0-9]+% tests passed' "$log" | tail -1)"
  total="$(sed -nE 's/.* out of ([0-9]+)$/\1/p' <<<"$summary")"
  bad="$(sed -nE 's/.*, ([0-9]+) tests failed out of.*/\1/p' <<<"$summary")"
  total="${total:-0}"; bad="${bad:-$total}"
  word="passed"; [ "$status" -ne 0 ] && { word="FAILED"; failed=1; }
  results+=("$(printf '%-8s %-9s %s of %s tests passed (build %d s, tests %d s)' "$version" "$word" \
    "$((total - bad))" "$total" "$((built - start))" "$((done_at - built))")")
  [ "${BM_TEST_PYTHONS_KEEP:-0}" = 1 ] || rm -rf "$build"
done

echo
echo "version  result    tests"
printf '%s\n' "${results[@]}"
exit $failed
