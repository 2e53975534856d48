#!/bin/sh
# completion_test.sh CSTRIP CSTRIP_COMPLETIONS: the shell completions offer
# every option --help names, read in each shell, and complete in bash.
set -u
. "$(dirname "$0")/support/check.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
LANG=C.UTF-8 LC_ALL= LANGUAGE= "$1" --help >"$dir/help"
options=$(grep -oE '(^| )(-[a-zA-Z0-9]|--[a-z][a-z-]*)' "$dir/help" | tr -d ' ' | sort -u)
for shell in bash zsh fish; do
  "$2" "$shell" >"$dir/$shell"
  missing=$(for option in $options; do
    case $shell in
      fish) grep -qE -- "-[ls] ${option#"${option%%[!-]*}"}( |$)" "$dir/$shell" || echo "$option" ;;
      *) grep -qE -- "(^|[ ',{(|])$option([]=+ ,}|)'[]|$)" "$dir/$shell" || echo "$option" ;;
    esac
  done)
  check "the $shell completion offers every option of --help" test -z "$missing"
  [ -n "$missing" ] && echo "  missing: $missing"
done
check "bash reads its completion" bash -n "$dir/bash"
check "zsh reads its completion" zsh -n "$dir/zsh"
check "fish reads its completion" fish --no-execute "$dir/fish"

# complete WORDS...: what bash offers for the last word.
complete() {
  bash -c '. "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _cstrip; printf "%s\n" "${COMPREPLY[@]}"' \
    "$dir/bash" "$@"
}
mkdir "$dir/folder" && touch "$dir/file.c"
cd "$dir" || exit 1
check "bash completes long options" test "$(complete cstrip --str | sort | tr '\n' ' ')" = "--strip --strip-c "
check "  ... a folder after -d" test "$(complete cstrip -d '')" = folder
check "  ... after --output-dir=" test "$(complete cstrip --output-dir = '')" = folder
check "  ... and files as operands" test "$(complete cstrip --strip fil)" = file.c
finish
