#!/usr/bin/env python3
"""Fails when a Qt connection or a single-shot timer runs a functor without a
context object.

Such a functor outlives whatever it captured: once that object is gone, the
signal or the timer still calls it. Qt 6.4 has no switch that forbids the
form (QT_NO_CONTEXTLESS_CONNECT came later), so this script does.

    scripts/check_connects.py [FILE...]    (default: every tracked source)
"""
import re
import subprocess
import sys

CALL = re.compile(r"(?<![\w.>:])(?:QObject::)?connect\s*\(|QTimer::singleShot\s*\(")


def strip_comments_and_strings(text):
    """The text with comments and the insides of string and character
    literals blanked, line breaks kept, so positions still name lines."""
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
            out.append("".join(ch if ch == "\n" else " " for ch in text[i:j]))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = ")" + m.group(1) + '"'
            j = text.find(end, i + m.end())
            j = n if j < 0 else j + len(end)
            out.append('""' + "".join(ch if ch == "\n" else " " for ch in text[i + 2 : j]))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (j - i - 1) + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def arguments(text, start):
    """The top-level arguments of the call whose "(" is at `start`."""
    depth = 0
    args, current = [], []
    for ch in text[start:]:
        if ch in "([{":
            depth += 1
            if depth == 1:
                continue
        elif ch in ")]}":
            depth -= 1
            if depth == 0:
                args.append("".join(current).strip())
                return args
        elif ch == "," and depth == 1:
            args.append("".join(current).strip())
            current = []
            continue
        current.append(ch)
    return args


def is_functor(argument):
    return argument.startswith("[") or not argument.startswith("&")


def problems(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = strip_comments_and_strings(f.read())
    found = []
    for match in CALL.finditer(text):
        args = arguments(text, match.end() - 1)
        line = text.count("\n", 0, match.start()) + 1
        if "singleShot" in match.group(0):
            contextless = len(args) == 2 or (len(args) == 3 and args[1].startswith("Qt::"))
            if contextless and is_functor(args[-1]):
                found.append(f"{path}:{line}: QTimer::singleShot with a functor and no context")
        elif len(args) == 3 and is_functor(args[2]):
            found.append(f"{path}:{line}: connect with a functor and no context")
    return found


def main():
    files = sys.argv[1:]
    if not files:
        listed = subprocess.run(
            ["git", "ls-files", "*.cpp", "*.h"], capture_output=True, text=True, check=True
        )
        files = listed.stdout.split()
    found = [p for f in files for p in problems(f)]
    for p in found:
        print(p)
    if found:
        print(f"{len(found)} connections without a context object", file=sys.stderr)
        return 1
    print(f"{len(files)} files: every functor connection has a context object")
    return 0


if __name__ == "__main__":
    sys.exit(main())
