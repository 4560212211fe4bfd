# What the Wine session scripts share; sourced by them. They set wine, prefix,
# windows_kwhost, linux_kwhost, here (this folder), work and status before calling these.

# prepare_work LOG NAME: empties WORK and copies LOG into its linux and windows folders as
# NAME. Exits 1 when there is no LOG.
prepare_work() {
  if [ ! -f "$1" ]; then
    echo "FAILED: no Presentation log $1"
    exit 1
  fi
  rm -rf "$work"
  mkdir -p "$work/linux" "$work/windows"
  cp "$1" "$work/linux/$2"
  cp "$1" "$work/windows/$2"
}

# run_kwhost PLATFORM STEP STATUS ARGUMENT...: one kwhost run in the platform's folder,
# which must exit with STATUS (else status=1, with what it printed on standard error); what
# it prints goes to STEP.out and STEP.err.
run_kwhost() {
  platform=$1
  step=$2
  want=$3
  shift 3
  if [ "$platform" = windows ]; then
    set -- sh "$here/run_in_wine.sh" "$wine" "$prefix" "$windows_kwhost" "$@"
  else
    set -- "$linux_kwhost" "$@"
  fi
  code=0
  (cd "$work/$platform" && "$@" >"$step.out" 2>"$step.err") || code=$?
  if [ "$code" -ne "$want" ]; then
    echo "FAILED: $platform: $step exited with $code, expected $want:"
    cat "$work/$platform/$step.err"
    status=1
  fi
}

# compare_outputs FILE...: each FILE of the windows folder, its CRLF line ends (the Windows
# console streams') read as LF, against the linux folder's; status=1 with the difference
# when they differ.
compare_outputs() {
  for file in "$@"; do
    sed 's/\r$//' "$work/windows/$file" >"$work/windows-$file"
    if ! cmp -s "$work/linux/$file" "$work/windows-$file"; then
      echo "FAILED: $file differs (Linux, then Windows):"
      diff "$work/linux/$file" "$work/windows-$file" | head -20 || true
      status=1
    fi
  done
}
