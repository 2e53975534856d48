# Sourced by the shell tests: check DESCRIPTION COMMAND... runs COMMAND and
# prints "ok" or "FAILED" with DESCRIPTION; finish prints how many failed
# and exits 0 only when none did.
failures=0
check() {
  description=$1
  shift
  if "$@"; then echo "ok: $description"; else echo "FAILED: $description"; failures=$((failures + 1)); fi
}
finish() {
  echo "$failures failed"
  [ "$failures" = 0 ]
  exit
}
