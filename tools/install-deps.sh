#!/usr/bin/env bash
# Installs what the build needs on a Debian machine, and says which Python the default build embeds.
# Safe to run again: it installs only what is missing.
set -euo pipefail

# g++ brings the sanitizer runtimes (libasan, libubsan) that the BM_SANITIZE build links.
# python3-dev is the Python 3 that -DBRINDLEMOOR_PYTHON=3 embeds, and the default build's when there
# is no Python 2.7. patchelf sets the run paths of the Python carried in the zip
# (tools/bundle-python.sh). nodejs and npm install pyright, below.
packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libfreetype-dev fonts-dejavu-core libgl-dev
          python3-dev patchelf)
# Node.js with npm installs pyright (below); a machine may have them from elsewhere than Debian.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# Python 2.7 with a shared libpython: Debian no longer packages it; pyenv can provide it. Without
# it the default build embeds Python 3.
root="${PYENV_ROOT:-$HOME/.pyenv}"
if ! ls "$root"/versions/2.7.*/lib/libpython2.7.so >/dev/null 2>&1; then
  echo "install-deps: no Python 2.7 with a shared library under $root/versions: the build embeds Python 3." >&2
  echo "  For 2.7: PYTHON_CONFIGURE_OPTS=--enable-shared pyenv install 2.7.18, or -DPython2_ROOT_DIR=... to cmake." >&2
fi

# pyright, the type checker the tests run over the examples with the stubs, at the version that
# tools/typecheck/package-lock.json pins.
typecheck="$(cd "$(dirname "$0")" && pwd)/typecheck"
if [ ! -x "$typecheck/node_modules/.bin/pyright" ]; then
  echo "install-deps: installing pyright into $typecheck"
  (cd "$typecheck" && npm ci --no-audit --no-fund --loglevel=error)
fi
