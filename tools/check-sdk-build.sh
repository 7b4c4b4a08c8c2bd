#!/usr/bin/env bash
# Builds the plug-in as for the real simulator: with -DXPLANE_SDK_DIR, the SDK's headers in place
# of the stand-in's, in a temporary build folder, and checks that the plug-in's sources saw the
# SDK's headers alone and include nothing of the stand-in's control API (bmhost/*).
#
#   tools/check-sdk-build.sh [SDK folder] [cmake options...]
#
# Without an SDK folder (or with "-" for it) a stand-in SDK is made from host/include in the
# official zip's layout: CHeaders/XPLM/XPLM*.h and CHeaders/Widgets/XP*.h. Further arguments go to
# cmake, e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache or -DBRINDLEMOOR_PYTHON=3.
# Exit status 0 when the plug-in built and every check passed.
set -uo pipefail
cd "$(dirname "$0")/.."
source_dir="$(pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/bm-sdk-build-XXXXXX")"
trap 'rm -rf "$work"' EXIT

sdk="${1:--}"
[ $# -gt 0 ] && shift
if [ "$sdk" = "-" ]; then
  sdk="$work/SDK"
  mkdir -p "$sdk/CHeaders/XPLM" "$sdk/CHeaders/Widgets"
  cp host/include/XPLM*.h "$sdk/CHeaders/XPLM/"
  for h in host/include/XP*.h; do
    case "$(basename "$h")" in XPLM*) ;; *) cp "$h" "$sdk/CHeaders/Widgets/" ;; esac
  done
  echo "check-sdk-build: a stand-in SDK from host/include in $sdk"
fi
sdk="$(cd "$sdk" && pwd)"

failures=0
fail() { echo "check-sdk-build: FAIL: $*"; failures=$((failures + 1)); }

# The plug-in's sources name no header of the stand-in's control API.
if grep -rn --include='*.cpp' --include='*.h' '#include.*bmhost/' core modules ui; then
  fail "the plug-in's sources above include bmhost/ headers"
fi

build="$work/build"
if ! cmake -S "$source_dir" -B "$build" -DXPLANE_SDK_DIR="$sdk" -DBM_BUILD_TESTS=OFF -DBM_BUILD_BENCH=OFF \
     -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"
  fail "cmake -DXPLANE_SDK_DIR=$sdk failed"
  exit 1
fi
if ! cmake --build "$build" -j"${BM_JOBS:-2}" --target brindlemoor_plugin >"$work/build.log" 2>&1; then
  tail -40 "$work/build.log"
  fail "the plug-in does not build with the SDK of $sdk"
  exit 1
fi
echo "check-sdk-build: the plug-in built with the SDK of $sdk"

# Each of the plug-in's compilations had the SDK's headers, and not the stand-in's.
python3 - "$build/compile_commands.json" "$sdk" "$source_dir/host/include" <<'PY' || fail "the plug-in was compiled with other headers than the SDK's"
import json, sys
commands, sdk, host = sys.argv[1:]
# The core's sources and lin.xpl's own.
core = [c for c in json.load(open(commands))
        if any(d in c.get("command", c.get("output", "")) for d in ("brindlemoor_core.dir", "brindlemoor_plugin.dir"))]
bad = [c["file"] for c in core
       if host in c["command"] or sdk + "/CHeaders/XPLM" not in c["command"] or sdk + "/CHeaders/Widgets" not in c["command"]]
if not core:
    print("check-sdk-build: no compilation of the plug-in's sources found"); sys.exit(1)
for f in bad:
    print("check-sdk-build: %s was not compiled with the SDK's headers alone" % f)
sys.exit(1 if bad else 0)
PY

for file in lin.xpl brindlemoor_core.so; do
  exported="$(nm -D --defined-only "$build/plugins/Brindlemoor/64/$file" | awk '$2 ~ /^[TDBRVWiu]$/ {print $3}' | sort | tr '\n' ' ')"
  [ "$exported" = "XPluginDisable XPluginEnable XPluginReceiveMessage XPluginStart XPluginStop " ] ||
    fail "$file exports: $exported"
done

if [ $failures -eq 0 ]; then echo "check-sdk-build: ok"; exit 0; fi
echo "check-sdk-build: $failures problems"
exit 1
