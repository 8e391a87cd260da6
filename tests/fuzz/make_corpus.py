#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora under tests/fuzz/corpus/ from real ctags output.

Run from anywhere; needs ctags-universal and ctags-exuberant. The seeds are small on purpose:
libFuzzer grows its own corpus from them (scripts/fuzz.sh keeps that one under build-fuzz/).
"""
import os
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
OUT = os.path.join(ROOT, "tests", "fuzz", "corpus")
COMMON = ["--langmap=java:+.java", "--languages=java", "--recurse=yes", "--sort=no", "--fields=+anmfk", "-f", "-"]
TOOLS = {
    "universal": ["ctags-universal", "--java-kinds=+cfimp"],
    "exuberant": ["ctags-exuberant", "--java-types=+cfimp"],
}


def ctags(tool, folder):
    """The tags of `folder` (relative to the repository, so the seeds hold no machine paths)."""
    return subprocess.run(TOOLS[tool] + COMMON + [folder], cwd=ROOT, check=True, capture_output=True).stdout


def provider_string(text):
    """`text` as FuzzedDataProvider::ConsumeRandomLengthString reads it back."""
    return text.replace(b"\\", b"\\\\") + b"\\ "


def write(target, name, data):
    os.makedirs(os.path.join(OUT, target), exist_ok=True)
    with open(os.path.join(OUT, target, name), "wb") as f:
        f.write(data)


def main():
    tags = {(tool, folder): ctags(tool, folder) for tool in TOOLS for folder in ("tests/data/java-tree", "sample/java")}
    tree = tags[("universal", "tests/data/java-tree")]

    # tags_load: a code page byte (0 UTF-8, 1 Shift-JIS), then a whole tags file.
    write("tags_load", "universal-java-tree", b"\0" + tree)
    write("tags_load", "exuberant-java-tree", b"\0" + tags[("exuberant", "tests/data/java-tree")])
    write("tags_load", "universal-java-tree-sjis", b"\1" + tree.decode().encode("shift_jis"))
    write("tags_load", "exuberant-sample-head", b"\0" + b"".join(tags[("exuberant", "sample/java")].splitlines(True)[:30]))
    write("tags_load", "universal-sample-crlf", b"\0" + b"".join(tags[("universal", "sample/java")].splitlines(True)[6:30]).replace(b"\n", b"\r\n"))
    with open(os.path.join(ROOT, "tests", "data", "tree", "sjis.tags"), "rb") as f:
        write("tags_load", "sjis-pattern", b"\1" + f.read())

    # tag_line: single lines of each shape (header, package, class, field, method, escapes).
    lines = []
    for key in sorted(tags):
        for line in tags[key].splitlines(True):
            lines.append(line)
    picks = {"header": lines[0]}
    for line in lines:
        fields = line.split(b"\t")
        if len(fields) > 3 and fields[3] not in picks and not line.startswith(b"!_"):
            picks[fields[3].strip()] = line
        if b"\\/" in line or b"\\\\" in line:
            picks.setdefault(b"escape", line)
    for kind, line in sorted(picks.items(), key=lambda item: str(item[0])):
        write("tag_line", "line-" + (kind.decode() if isinstance(kind, bytes) else kind), line)
    write("tag_line", "line-sjis", "a\tA.java\t/^\u30c2ccess:private$/;\"\tm\tline:1\taccess:public\n".encode("shift_jis"))

    # profile: section, key, value and key list as the provider reads them, then an INI text,
    # then the number of listed keys as the last byte.
    profile = (b"[TAGS]\r\nCTAGSPATH=/usr/bin/ctags\r\nPARAM=--recurse=yes -f@tags @target\r\nLASTTAGS=/src/tags\r\n"
               b"[EDITOR]\r\nEDITORPATH=gvim\r\nEDITORFORMAT=+@l \"@f\"\r\n"
               b"[Recent File List]\r\nFile1=/src/tags\r\nFile2= \"/x y/tags\" \r\n; comment\r\n")
    write("profile", "tags-lasttags", b"".join(map(provider_string, [b"TAGS", b"LASTTAGS", b"/home/u/src/tags"])) + profile + b"\0")
    write("profile", "recent-list", b"".join(map(provider_string, [b"Recent File List", b"File1", b" quoted ",
                                                                   b"File1", b"/a", b"file2", b"'b'"])) + profile + b"\2")
    write("profile", "new-section-lf", b"".join(map(provider_string, [b"SYSTEM", b"X", b"120"])) +
          b"[SYSTEM]\nRESTART_READ=1\n[system]\nY=3" + b"\0")

    # command: editor path, editor template, tags folder, a tag line, ctags template, tags path,
    # the target, then whether the target names something and the code page as the last bytes.
    line = picks.get(b"m", lines[-1])
    param = b"--langmap=java:+.java --languages=java --recurse=yes --fields=+anmfk --sort=no -f@tags @target"
    write("command", "gvim-default", b"".join(map(provider_string, [b"gvim", b"+@l @f", b"/src/", line, param, b"/src/tags"])) + b"/src" + b"\1\0")
    write("command", "quoted-names", b"".join(map(provider_string, [b"/usr/bin/vim", b"+@l \"@f\"", b"/my src/", line, b"-f \"@tags\" \"@target\"", b"/my src/tags"])) + b"src/*.java" + b"\0\0")
    write("command", "sjis-colon", b"".join(map(provider_string, [b"emacs", b"@f:@l", b"/src/\x95\\", "a\t\u8868.java\t/^x$/;\"\tm\tline:3\n".encode("shift_jis"), param, b"/\x95\\/tags"])) + b"*" + b"\0\1")


if __name__ == "__main__":
    sys.exit(main())
