#!/usr/bin/env bash
# Makes the benchmark tags files once and prints their paths, one a line:
#   jdk     the JDK's Java sources with the program's default ctags parameters (in OUT)
#   linux   a large C code base, Debian's linux-source-6.1 package (a subset of its folders,
#           over a million tags), with the all-languages parameters of the README
#           (--fields=+anmfklSZ); the sources stay in the cache folder outside the repository
#
#   bench/make_corpora.sh OUT [jdk|linux]...   (default: both)
#   QUARROW_BENCH_CACHE=DIR                    cache folder (default ~/.cache/quarrow-bench)
set -euo pipefail
out=$1
shift
corpora=("$@")
if [ ${#corpora[@]} -eq 0 ]; then corpora=(jdk linux); fi
cache=${QUARROW_BENCH_CACHE:-$HOME/.cache/quarrow-bench}
mkdir -p "$out"

make_jdk() {
  local tags=$out/jdk.tags
  if [ ! -s "$tags" ]; then
    # The largest JDK source archive installed (broken links skipped).
    local zip
    zip=$(for z in /usr/lib/jvm/*/lib/src.zip; do if [ -f "$z" ]; then printf '%s\t%s\n' "$(stat -Lc %s "$z")" "$z"; fi; done |
          sort -rn | head -n 1 | cut -f 2)
    if [ -z "$zip" ]; then
      echo "bench: no /usr/lib/jvm/*/lib/src.zip found; install a JDK with its sources or set QUARROW_BENCH_TAGS" >&2
      exit 1
    fi
    echo "bench: unpacking $zip" >&2
    rm -rf "$out/jdk-src"
    mkdir -p "$out/jdk-src"
    unzip -q "$zip" -d "$out/jdk-src"
    # The program's default ctags parameters, run in the tags file's folder as the program runs it.
    echo "bench: running ctags over it" >&2
    (cd "$out" &&
     /usr/bin/ctags --langmap=java:+.java --languages=java --java-types=+cfimp --recurse=yes \
       --fields=+anmfk --sort=no -fjdk.tags jdk-src)
  fi
  echo "$tags"
}

make_linux() {
  local package=linux-source-6.1
  local tags=$cache/$package.tags
  if [ ! -s "$tags" ]; then
    mkdir -p "$cache"
    if ! ls "$cache"/${package}_*.deb >/dev/null 2>&1; then
      echo "bench: fetching $package" >&2
      (cd "$cache" && apt-get download "$package")
    fi
    local src=$cache/$package
    if [ ! -d "$src/arch/x86" ]; then
      echo "bench: unpacking $package" >&2
      local archive
      archive=$(dpkg-deb --fsys-tarfile "$cache"/${package}_*.deb | tar -t | grep '\.tar\.xz$' | head -n 1)
      dpkg-deb --fsys-tarfile "$cache"/${package}_*.deb | tar -x -C "$cache" "$archive"
      tar -xJf "$cache/$archive" -C "$cache" $(for d in fs net kernel mm include lib block crypto security sound \
        arch/x86 drivers/net/ethernet/intel drivers/usb; do echo "$package/$d"; done)
    fi
    echo "bench: running ctags over it" >&2
    (cd "$src" &&
     ctags-universal --recurse=yes --fields=+anmfklSZ --sort=no -f "$tags.part" \
       fs net kernel mm include lib block crypto security sound arch drivers && mv "$tags.part" "$tags")
  fi
  echo "$tags"
}

for corpus in "${corpora[@]}"; do
  case $corpus in
    jdk) make_jdk ;;
    linux) make_linux ;;
    *) echo "bench: unknown corpus $corpus" >&2; exit 2 ;;
  esac
done
