#!/bin/sh
# Checks for the Debian packages the project needs and installs the missing ones.
# Usage: scripts/install-deps.sh [--check] [GROUP...]
#        scripts/install-deps.sh --enable-deb-src
#   groups: base (default), test, windows, fuzz, bench, bids
#   test: what the tests need besides base: Debian's chromium, which renders the study report
#   headless (in a network namespace of its own, so that nothing it tries leaves the machine)
#   windows: also nifticlib's Debian source package (apt-get source) into .deps/nifticlib-src
#   (git-ignored), whose C files the MinGW build compiles (cmake/nifticlib.cmake); for it,
#   deb-src is enabled in /etc/apt/sources.list.d/debian.sources before the one apt-get update.
#   --enable-deb-src only enables deb-src there (idempotent), for a caller that runs
#   apt-get update itself (.ci/run) before installing the windows group.
#   bids: Node.js and npm (Debian's nodejs and npm, unless node and npm are already on the
#   PATH), then the BIDS validator, npm's bids-validator@1.15.0, into .deps/bids (git-ignored)
#   for the events tests: the only group that needs npm's registry, and only the tests use
#   it (`make test`, `make test-asan`).
# Runs apt-get only when something is missing; as root directly, otherwise through sudo.
# --check installs nothing: it exits 0 when every package is there, else 1, quietly.
set -eu

packages_for() {
  case "$1" in
    base) echo "cmake make g++ libgtest-dev libgmock-dev googletest libcli11-dev nlohmann-json3-dev binutils librsvg2-bin libxml2-utils libpng-dev libnifti2-dev zlib1g-dev python3-nibabel python3-scipy libtomlplusplus-dev libeigen3-dev" ;;
    test) echo "chromium python3-pandas" ;;
    windows) echo "g++-mingw-w64-x86-64-posix wine64 clang llvm dpkg-dev libz-mingw-w64-dev" ;;
    fuzz) echo "clang libclang-rt-14-dev" ;;
    bench) echo "libbenchmark-dev hyperfine time" ;;
    # Node.js from elsewhere (a nodesource build) already brings npm: Debian's would clash.
    bids) if command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1; then echo ""; else echo "nodejs npm"; fi ;;
    *) echo "unknown package group: $1" >&2; exit 2 ;;
  esac
}

sources=/etc/apt/sources.list.d/debian.sources
# Adds deb-src to every "Types:" line of the deb822 sources that lacks it; returns 1 when
# the file changed (an apt-get update is then needed for the source lists).
enable_deb_src() {
  [ -f "$sources" ] || { echo "no $sources: enable deb-src for apt-get source by hand" >&2; return 0; }
  grep -q '^Types:' "$sources" || return 0
  if grep '^Types:' "$sources" | grep -qv 'deb-src'; then
    if [ "$(id -u)" -eq 0 ]; then
      sed -i '/^Types:/{/deb-src/!s/$/ deb-src/}' "$sources"
    else
      sudo sed -i '/^Types:/{/deb-src/!s/$/ deb-src/}' "$sources"
    fi
    return 1
  fi
  return 0
}

check_only=0
if [ "${1:-}" = "--check" ]; then
  check_only=1
  shift
fi
if [ "${1:-}" = "--enable-deb-src" ]; then
  enable_deb_src || true
  exit 0
fi
groups=${*:-base}
root=$(cd "$(dirname "$0")/.." && pwd)
nifti_src="$root/.deps/nifticlib-src"
validator="$root/.deps/bids/node_modules/bids-validator/package.json"
validator_version=1.15.0

# The BIDS validator (npm), after the Debian packages; --check only looks. npm's output goes
# to .deps/bids/npm-install.log; where npm fails, one line says so and the script exits 1.
install_validator() {
  if [ -f "$validator" ] && grep -q "\"version\": \"$validator_version\"" "$validator"; then
    return 0
  fi
  if [ "$check_only" -eq 1 ]; then
    exit 1
  fi
  npm_log="$root/.deps/bids/npm-install.log"
  echo "Installing bids-validator@$validator_version into $root/.deps/bids with npm (its output: $npm_log)"
  mkdir -p "$root/.deps/bids"
  if ! npm install --prefix "$root/.deps/bids" --no-audit --no-fund \
    "bids-validator@$validator_version" >"$npm_log" 2>&1; then
    echo "npm could not install the BIDS validator (bids-validator@$validator_version), which the tests need (npm's output: $npm_log); 'make build' and 'make demo' do without it." >&2
    exit 1
  fi
}
wants_validator=0
wants_nifti_src=0
for group in $groups; do
  [ "$group" = bids ] && wants_validator=1
  [ "$group" = windows ] && wants_nifti_src=1
done
[ -f "$nifti_src/nifti2/nifti2_io.c" ] && wants_nifti_src=0
if [ "$wants_nifti_src" -eq 1 ] && [ "$check_only" -eq 1 ]; then
  exit 1
fi

# nifticlib's source package into .deps/nifticlib-src, once (needs dpkg-dev and deb-src).
fetch_nifti_src() {
  [ "$wants_nifti_src" -eq 1 ] || return 0
  echo "Fetching nifticlib's source package into $nifti_src"
  rm -rf "$root/.deps/nifticlib-get"
  mkdir -p "$root/.deps/nifticlib-get"
  # A deb-src enabled by hand without an update since has no source lists yet: update once.
  if ! (cd "$root/.deps/nifticlib-get" && $as_root apt-get source nifticlib); then
    [ "$updated" -eq 0 ] || exit 1
    apt_update
    (cd "$root/.deps/nifticlib-get" && $as_root apt-get source nifticlib)
  fi
  unpacked=$(find "$root/.deps/nifticlib-get" -mindepth 1 -maxdepth 1 -type d -name 'nifticlib-*' | head -n 1)
  [ -n "$unpacked" ] || { echo "apt-get source nifticlib unpacked nothing" >&2; exit 1; }
  rm -rf "$nifti_src"
  mv "$unpacked" "$nifti_src"
  rm -rf "$root/.deps/nifticlib-get"
}
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
updated=0
apt_update() {
  $as_root apt-get update
  updated=1
}
sources_changed=0
if [ "$wants_nifti_src" -eq 1 ]; then
  enable_deb_src || sources_changed=1
fi
missing=""
for group in $groups; do
  for package in $(packages_for "$group"); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
      missing="$missing $package"
    fi
  done
done

if [ -z "$missing" ]; then
  [ "$wants_validator" -eq 1 ] && install_validator
  if [ "$wants_nifti_src" -eq 1 ] && [ "$sources_changed" -eq 1 ] && [ "${SF_APT_UPDATED:-0}" != 1 ]; then
    apt_update
  fi
  fetch_nifti_src
  exit 0
fi
if [ "$check_only" -eq 1 ]; then
  exit 1
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "Missing packages:$missing. Install them as root: apt-get install$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# CI runs apt-get update once itself and says so.
if [ "${SF_APT_UPDATED:-0}" != 1 ]; then
  apt_update
fi
# shellcheck disable=SC2086
$sudo apt-get install -y --no-install-recommends $missing
[ "$wants_validator" -eq 1 ] && install_validator
fetch_nifti_src
exit 0
