#!/usr/bin/env python3
"""Runs the README's worked examples as printed and compares what they print.

A checked example is a fenced block right after a line `<!-- checked: SETUP [FILE=COPY]... -->`.
Its lines that begin with "$ " are commands, run one after the other by sh in one fresh
folder made by SETUP, with kwhost first on the PATH; the lines after a command, up to the
next, are what it prints on a terminal (standard output and error as they interleave there:
the command runs in a pseudo-terminal). In them a line "..." stands for any lines, and
"[...]" for any text within a line; the project's folder prints as /home/me/stimforge, and
kwhost's own folder (whichever build it is) as /home/me/stimforge/build/bin.
`echo $?` prints the status of the command before it. Each FILE=COPY names a file the block
writes that must be, byte for byte, the copy kept in the project (the README's pictures).

A fenced block right after a line `<!-- file: PATH -->` must be the project's file PATH as it
stands (the study file the README shows).

SETUP is one of:
  samples            copies of samples/*.log and samples/*.prt
  presentation-logs  copies of the shared real Presentation logs
  psychopy-data      copies of the shared real PsychoPy data files
  study              the sample study as make demo lays it out: ds/ (its BOLD runs, by
                     samples/study/make_dataset.py), ds/sourcedata/ (its logs), study.toml
                     and faces_map.tsv

Usage: readme_examples_test.py KWHOST_BIN_FOLDER PROJECT SHARED WORK_FOLDER
"""
import os
import pty
import re
import shutil
import subprocess
import sys

BIN, PROJECT, SHARED, WORK = map(os.path.abspath, sys.argv[1:5])
SHOWN_PROJECT = "/home/me/stimforge"


def blocks(readme):
    """(line number, setup, copies, lines) of each checked block."""
    lines = readme.split("\n")
    for i, line in enumerate(lines):
        marker = re.fullmatch(r"<!-- checked: (.*) -->", line)
        if not marker:
            continue
        assert lines[i + 1].startswith("```"), "line %d: no block after the marker" % (i + 1)
        end = lines.index("```", i + 2)
        setup, *copies = marker.group(1).split()
        yield i + 1, setup, dict(c.split("=", 1) for c in copies), lines[i + 2:end]


def shown_files(readme):
    """(line number, path, the block's text) of each block that shows a project file."""
    lines = readme.split("\n")
    for i, line in enumerate(lines):
        marker = re.fullmatch(r"<!-- file: (.*) -->", line)
        if marker:
            end = lines.index("```", i + 2)
            yield i + 1, marker.group(1), "\n".join(lines[i + 2:end]) + "\n"


def prepare(setup, folder):
    """Lays out `folder` for `setup`; False when what it needs is missing."""
    os.makedirs(folder)
    sources = {"samples": os.path.join(PROJECT, "samples"),
               "presentation-logs": os.path.join(SHARED, "presentation-logs"),
               "psychopy-data": os.path.join(SHARED, "psychopy-data")}
    if setup in sources:
        if not os.path.isdir(sources[setup]):
            return False
        for name in os.listdir(sources[setup]):
            path = os.path.join(sources[setup], name)
            if os.path.isfile(path) and not name.endswith(".md"):
                shutil.copy(path, folder)
        return True
    assert setup == "study", "unknown setup " + setup
    study = os.path.join(PROJECT, "samples", "study")
    subprocess.run([sys.executable, os.path.join(study, "make_dataset.py"),
                    os.path.join(folder, "ds")], check=True)
    shutil.copytree(os.path.join(study, "logs"), os.path.join(folder, "ds", "sourcedata"))
    for name in ("study.toml", "faces_map.tsv"):
        shutil.copy(os.path.join(study, name), folder)
    return True


def on_terminal(command, folder):
    """What `command` prints on a terminal, and its status."""
    main, secondary = pty.openpty()
    env = dict(os.environ, PATH=BIN + os.pathsep + os.environ["PATH"], COLUMNS="100")
    process = subprocess.Popen(["sh", "-c", command], cwd=folder, stdin=subprocess.DEVNULL,
                               stdout=secondary, stderr=secondary, env=env)
    os.close(secondary)
    out = b""
    while True:
        try:
            chunk = os.read(main, 65536)
        except OSError:  # the terminal closed with the last writer
            break
        if not chunk:
            break
        out += chunk
    os.close(main)
    status = process.wait()
    text = out.decode("utf-8", "replace").replace("\r\n", "\n")
    text = text.replace(os.path.realpath(BIN), SHOWN_PROJECT + "/build/bin")
    return text.replace(os.path.realpath(PROJECT), SHOWN_PROJECT), status


def pattern(expected):
    """A regular expression for the lines a command is shown to print."""
    parts = []
    for line in expected:
        if line == "...":
            parts.append(r"(?:[^\n]*\n)*?")
        else:
            parts.append(".*?".join(re.escape(p) for p in line.split("[...]")) + r"\n")
    return "".join(parts)


def run_block(number, setup, copies, lines):
    """The block's failures, as texts; None when its setup cannot be made here."""
    folder = os.path.join(WORK, "block-%d" % number)
    shutil.rmtree(folder, ignore_errors=True)
    if not prepare(setup, folder):
        return None
    commands = []  # (command, expected lines)
    for line in lines:
        if line.startswith("$ "):
            commands.append((line[2:], []))
        elif commands:
            commands[-1][1].append(line)
    failures = []
    status = 0
    for command, expected in commands:
        while expected and expected[-1] == "":
            expected.pop()
        if command.strip() == "echo $?":
            printed = "%d\n" % status
        else:
            printed, status = on_terminal(command, folder)
        if not re.fullmatch(pattern(expected), printed.rstrip("\n") + "\n" if printed else "",
                            re.S):
            failures.append("README line %d: $ %s\n--- shown:\n%s\n--- printed:\n%s" % (
                number, command, "\n".join(expected), printed))
    for made, kept in copies.items():
        try:
            with open(os.path.join(folder, made), "rb") as a, open(
                    os.path.join(PROJECT, kept), "rb") as b:
                same = a.read() == b.read()
        except OSError as e:
            same = False
            print(e)
        if not same:
            failures.append("README line %d: %s is not what the example writes (%s)" % (
                number, kept, made))
    return failures


def main():
    with open(os.path.join(PROJECT, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    shutil.rmtree(WORK, ignore_errors=True)
    failures, checked, skipped = [], 0, []
    for number, path, text in shown_files(readme):
        with open(os.path.join(PROJECT, path), encoding="utf-8") as f:
            if f.read() != text:
                failures.append("README line %d: the block is not %s as it stands" % (number, path))
    for number, setup, copies, lines in blocks(readme):
        found = run_block(number, setup, copies, lines)
        if found is None:
            skipped.append("line %d (%s)" % (number, setup))
            continue
        checked += 1
        failures += found
    print("%d examples checked%s" % (checked, "; skipped, their files missing: " +
                                     ", ".join(skipped) if skipped else ""))
    for failure in failures:
        print(failure, end="\n\n")
    if failures:
        sys.exit(1)
    if not checked:
        sys.exit(77)


if __name__ == "__main__":
    main()
