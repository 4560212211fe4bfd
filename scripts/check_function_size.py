#!/usr/bin/env python3
"""Checks that no function in the given folders is longer than a limit.

Usage: check_function_size.py [--max LINES] FOLDER...

A function's length is the number of lines from the line of its opening brace to the line
of its closing brace, both included (a body of one line counts 1). Functions are found by
matching braces in the C++ sources (*.cpp, *.h) with comments, strings and character
literals skipped: a brace opened outside any function, after a parenthesised list and not
after "=", begins a function body (member functions defined in a class included); lambdas
and blocks inside a function count as part of it. Prints each function over the limit as
"FILE:LINE: NAME is N lines (limit M)" and exits 1 when there is any, else 0.
"""
import os
import re
import sys


def strip(text):
    """The text with comments, strings and character literals blanked (line breaks kept)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c == 'R' and text.startswith('R"', i):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = ")" + m.group(1) + '"'
            j = text.find(end, i + m.end())
            j = n if j < 0 else j + len(end)
            out.append('""' + re.sub(r"[^\n]", " ", text[i + 2:j]))
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and (text[i - 1].isalnum()):  # a digit separator: 1'000
                out.append(" ")
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (min(j, n) - i - 1) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def functions(text):
    """(name, first line, length) of each function body in `text`."""
    code = strip(text)
    found = []
    stack = []  # for each open brace: (kind, line, name)
    head_start = 0  # where the text before the next brace begins
    line = 1
    for i, c in enumerate(code):
        if c == "\n":
            line += 1
        elif c == ";" or c == "}" and stack:
            if c == "}":
                kind, start, name = stack.pop()
                if kind == "function":
                    found.append((name, start, line - start + 1))
            head_start = i + 1
        elif c == "{":
            in_function = any(kind == "function" for kind, _, _ in stack)
            head = code[head_start:i]
            kind = "block"
            name = ""
            if not in_function:
                words = head.split()
                paren = head.find("(")
                if (paren >= 0 and "=" not in head[:paren] and ")" in head and words
                        and words[0] not in ("namespace", "class", "struct", "enum", "union",
                                             "extern")):
                    kind = "function"
                    m = re.search(r"([~\w:]+(?:operator\s*\S+)?)\s*$", head[:paren])
                    name = m.group(1) if m else "(unnamed)"
            stack.append((kind, line, name))
            head_start = i + 1
        elif c == ":" and not stack or c == ":" and stack[-1][0] != "function":
            # "public:" and the like end a head inside a class.
            if code[i - 6:i].endswith(("public", "ivate", "otected")):
                head_start = i + 1
    return found


def main(argv):
    limit = 80
    if len(argv) >= 2 and argv[0] == "--max":
        limit = int(argv[1])
        argv = argv[2:]
    if not argv:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    over = 0
    for folder in argv:
        for root, _, files in sorted(os.walk(folder)):
            for file in sorted(files):
                if not file.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(root, file)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for name, start, length in functions(text):
                    if length > limit:
                        print(f"{path}:{start}: {name} is {length} lines (limit {limit})")
                        over += 1
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
