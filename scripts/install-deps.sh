#!/bin/sh
# Checks for the Debian packages the project needs and installs the missing ones.
# Usage: scripts/install-deps.sh [--check] [GROUP...]
#   groups: base (default), windows, fuzz, bench, bids
#   bids: Node.js and npm (Debian's nodejs and npm, unless node and npm are already on the
#   PATH), then the BIDS validator, npm's bids-validator@1.15.0, into .deps/bids (git-ignored)
#   for the events tests.
# Runs apt-get only when something is missing; as root directly, otherwise through sudo.
# --check installs nothing: it exits 0 when every package is there, else 1, quietly.
set -eu

packages_for() {
  case "$1" in
    base) echo "cmake make g++ libgtest-dev libgmock-dev googletest libcli11-dev nlohmann-json3-dev binutils librsvg2-bin libxml2-utils libpng-dev libtomlplusplus-dev" ;;
    windows) echo "g++-mingw-w64-x86-64-posix wine64 clang llvm" ;;
    fuzz) echo "clang libclang-rt-14-dev" ;;
    bench) echo "libbenchmark-dev hyperfine time" ;;
    # Node.js from elsewhere (a nodesource build) already brings npm: Debian's would clash.
    bids) if command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1; then echo ""; else echo "nodejs npm"; fi ;;
    *) echo "unknown package group: $1" >&2; exit 2 ;;
  esac
}

check_only=0
if [ "${1:-}" = "--check" ]; then
  check_only=1
  shift
fi
groups=${*:-base}
root=$(cd "$(dirname "$0")/.." && pwd)
validator="$root/.deps/bids/node_modules/bids-validator/package.json"
validator_version=1.15.0

# The BIDS validator (npm), after the Debian packages; --check only looks.
install_validator() {
  if [ -f "$validator" ] && grep -q "\"version\": \"$validator_version\"" "$validator"; then
    return 0
  fi
  if [ "$check_only" -eq 1 ]; then
    exit 1
  fi
  echo "Installing bids-validator@$validator_version into $root/.deps/bids"
  mkdir -p "$root/.deps/bids"
  npm install --prefix "$root/.deps/bids" --no-audit --no-fund "bids-validator@$validator_version"
}
wants_validator=0
for group in $groups; do
  [ "$group" = bids ] && wants_validator=1
done
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
  $sudo apt-get update
fi
# shellcheck disable=SC2086
$sudo apt-get install -y --no-install-recommends $missing
[ "$wants_validator" -eq 1 ] && install_validator
exit 0
