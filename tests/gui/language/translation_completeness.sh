#!/usr/bin/env bash
# Every translatable text of the sources has an English translation: the translation source is
# brought up to date with the sources in a scratch copy (as `--target quarrow_lupdate` would),
# and every text in it must have a finished translation. Lists each text that has none.
# Usage: translation_completeness.sh SOURCE_ROOT TS_FILE LUPDATE TRANSLATION_CHECK [LUPDATE_OPTION]...
set -euo pipefail
root=$1 ts=$2 lupdate=$3 check=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/current.ts"
(cd "$root" && "$lupdate" "$@" src -ts "$work/current.ts")
if ! "$check" "$work/current.ts"; then
  echo "Add the English of each text above: cmake --build build --target quarrow_lupdate, then fill in"
  echo "translations/quarrow_en.ts (see translations/README.md)."
  exit 1
fi
