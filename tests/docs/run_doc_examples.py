#!/usr/bin/env python3
"""Runs the examples of README.md and docs/*.md and checks their links.

    run_doc_examples.py [--python PYTHON3] SOURCE_DIR BUILD_DIR [FILE.md ...]

Fenced blocks, by their language:

    ```sh        a script, run with bash -e; it must exit with status 0
    ```console   a session: "$ " lines are commands ("> " continues one), the
                 lines under a command are what it prints on stdout (on
                 failure: stdout, then stderr); a line "..." stands for any
                 number of lines. A command that fails must show its output.
    ```python    run with python3; it must exit with status 0
    ```output    right after a sh or python block: that block's whole stdout

Other fences (text, c, cpp, cmake, none) are never run. An HTML comment
on the line before a fence changes how it runs:

    <!-- doc-test: not run (reason) -->   the block is skipped
    <!-- doc-test: continues -->          runs in the previous block's folder
    <!-- doc-test: file NAME -->          (any fence) writes the block as NAME
                                          into a fresh folder, for the blocks
                                          that continue there

Every other block runs in a fresh temporary folder holding links build,
tools, devicelib, python, packaging and tests to the tree, so commands
written for the repository root work as written. The environment puts
BUILD_DIR/app first on PATH, then the folder of PYTHON3 (the interpreter
the module was built for, by default /usr/bin/python3), BUILD_DIR/python on
PYTHONPATH, and sets
VANTREL_VIRTUAL=1, VANTREL_VIRTUAL_TIMING=instant and
QT_QPA_PLATFORM=offscreen.

Relative links ([text](path#anchor)) must name an existing file and, for
a Markdown file, one of its headings. Failures are printed as
file:line: what went wrong, with the difference; the exit status is 1.
"""

import difflib
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

TIMEOUT = 300
RUN_LANGUAGES = {"sh", "console", "python"}
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
LINKED = ["build", "tools", "devicelib", "python", "packaging", "tests"]


class Block:
    def __init__(self, path, line, language, text, marker):
        self.path, self.line, self.language, self.text, self.marker = path, line, language, text, marker
        self.expected = None  # the output block that follows, if any

    def where(self):
        return "%s:%d" % (self.path, self.line)


def parse_blocks(path, rel):
    """The fenced blocks of a Markdown file, with their markers."""
    lines = open(path, encoding="utf-8").read().split("\n")
    blocks, i = [], 0
    while i < len(lines):
        m = re.match(r"^(\s*)```(\S*)\s*$", lines[i])
        if not m:
            i += 1
            continue
        indent, language, start = m.group(1), m.group(2), i
        body = []
        i += 1
        while i < len(lines) and lines[i].strip() != "```":
            line = lines[i]
            body.append(line[len(indent):] if line.startswith(indent) else line.lstrip())
            i += 1
        marker = None
        if start > 0:
            c = re.match(r"^\s*<!--\s*doc-test:\s*(.*?)\s*-->\s*$", lines[start - 1])
            if c:
                marker = c.group(1)
        blocks.append(Block(rel, start + 1, language, "\n".join(body) + "\n", marker))
        i += 1
    # An output block belongs to the block just before it.
    result = []
    for b in blocks:
        if b.language == "output" and result and result[-1].language in ("sh", "python"):
            result[-1].expected = b
        elif b.language == "output":
            result.append(b)  # reported as an orphan below
        else:
            result.append(b)
    return result


def matches(expected, actual):
    """Whether actual lines match expected lines, "..." matching any lines."""
    if not expected:
        return not actual
    if expected[0].strip() == "...":
        return any(matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])


def lines_of(text):
    return [l.rstrip("\r").rstrip() for l in text.replace("\r\n", "\n").split("\n")] if text else []


def trim(lines):
    while lines and not lines[-1]:
        lines = lines[:-1]
    return lines


def difference(expected, actual):
    return "\n".join(difflib.unified_diff(expected, actual, "shown in the document", "printed", lineterm=""))


def run(argv, cwd, env, stdin=None):
    return subprocess.run(argv, cwd=cwd, env=env, input=stdin, capture_output=True, text=True,
                          timeout=TIMEOUT, errors="replace")


def parse_console(text):
    """[(command, [expected lines])] of a console block."""
    steps = []
    for line in text.rstrip("\n").split("\n"):
        if line.startswith("$ "):
            steps.append([line[2:], []])
        elif line.startswith("> ") and steps and not steps[-1][1]:
            steps[-1][0] += "\n" + line[2:]
        elif steps:
            steps[-1][1].append(line.rstrip())
        else:
            raise ValueError("output before the first $ command: " + line)
    return steps


def check_block(block, folder, env):
    """None when the block ran as shown, else the failure text."""
    if block.language == "sh":
        p = run(["bash", "-e", "-o", "pipefail", "-c", block.text], folder, env)
        if p.returncode != 0:
            return "the script exited with %d\n%s%s" % (p.returncode, p.stdout[-3000:], p.stderr[-3000:])
        if block.expected is not None:
            want, got = trim(lines_of(block.expected.text)), trim(lines_of(p.stdout))
            if not matches(want, got):
                return "output differs\n" + difference(want, got)
        return None
    if block.language == "python":
        p = run([PYTHON, "-"], folder, env, stdin=block.text)
        if p.returncode != 0:
            return "python exited with %d\n%s%s" % (p.returncode, p.stdout[-3000:], p.stderr[-3000:])
        if block.expected is not None:
            want, got = trim(lines_of(block.expected.text)), trim(lines_of(p.stdout))
            if not matches(want, got):
                return "output differs\n" + difference(want, got)
        return None
    try:
        steps = parse_console(block.text)
    except ValueError as e:
        return str(e)
    for command, want in steps:
        p = run(["bash", "-o", "pipefail", "-c", command], folder, env)
        printed = p.stdout if p.returncode == 0 else p.stdout + p.stderr
        got, want = trim(lines_of(printed)), trim(want)
        if p.returncode != 0 and not want:
            return "$ %s\nexited with %d and the document shows no output\n%s" % (command, p.returncode, printed[-3000:])
        if not matches(want, got):
            return "$ %s\noutput differs\n%s" % (command, difference(want, got))
    return None


def slug(heading):
    """GitHub's anchor of a heading."""
    text = re.sub(r"`|\*\*|\[|\]\([^)]*\)", "", heading.strip()).lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors_of(path):
    found, fence = set(), False
    for line in open(path, encoding="utf-8"):
        if line.lstrip().startswith("```"):
            fence = not fence
        m = None if fence else re.match(r"^#{1,6}\s+(.*?)\s*$", line)
        if m:
            base = slug(m.group(1))
            name, k = base, 1
            while name in found:
                name, k = "%s-%d" % (base, k), k + 1
            found.add(name)
    return found


def check_links(source, files):
    faults = []
    for rel in files:
        path = os.path.join(source, rel)
        fence = False
        for number, line in enumerate(open(path, encoding="utf-8"), 1):
            if line.lstrip().startswith("```"):
                fence = not fence
            if fence:
                continue
            for target in re.findall(r"\]\(([^)\s]+)\)", re.sub(r"`[^`]*`", "", line)):
                if re.match(r"^[a-z]+:", target):
                    continue
                file_part, _, anchor = target.partition("#")
                dest = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
                if not os.path.exists(dest):
                    faults.append("%s:%d: link to a missing file: %s" % (rel, number, target))
                elif anchor and dest.endswith(".md") and anchor not in anchors_of(dest):
                    faults.append("%s:%d: link to a missing heading: %s" % (rel, number, target))
    return faults


def environment(build):
    env = dict(os.environ)
    env["PATH"] = os.pathsep.join([os.path.join(build, "app"), os.path.dirname(PYTHON), env.get("PATH", "")])
    env["PYTHONPATH"] = os.pathsep.join(p for p in [os.path.join(build, "python"), env.get("PYTHONPATH")] if p)
    env["VANTREL_VIRTUAL"] = "1"
    env["VANTREL_VIRTUAL_TIMING"] = "instant"
    env["QT_QPA_PLATFORM"] = "offscreen"
    env.pop("VANTREL_VIRTUAL_SCENE", None)
    env.pop("VANTREL_VIRTUAL_FAULTS", None)
    return env


def fresh_folder(source, build, root):
    folder = tempfile.mkdtemp(dir=root)
    for name in LINKED:
        target = build if name == "build" else os.path.join(source, name)
        if os.path.exists(target):
            os.symlink(target, os.path.join(folder, name))
    return folder


def main():
    global PYTHON
    args = sys.argv[1:]
    if len(args) >= 2 and args[0] == "--python":
        PYTHON, args = args[1], args[2:]
    if len(args) < 2:
        print(__doc__)
        return 2
    source, build = os.path.abspath(args[0]), os.path.abspath(args[1])
    files = args[2:] or (["README.md"] + sorted(os.path.relpath(p, source)
                                                    for p in glob.glob(os.path.join(source, "docs", "*.md"))))
    env = environment(build)
    faults = check_links(source, files)
    ran = skipped = 0
    root = tempfile.mkdtemp(prefix="halden-doc-examples-")
    try:
        for rel in files:
            folder = None
            for block in parse_blocks(os.path.join(source, rel), rel):
                if block.language == "output":
                    faults.append("%s: an output block must follow a sh or python block" % block.where())
                    continue
                if block.marker and block.marker.startswith("file "):
                    folder = fresh_folder(source, build, root)
                    with open(os.path.join(folder, block.marker[5:].strip()), "w", encoding="utf-8") as f:
                        f.write(block.text)
                    continue
                if block.language not in RUN_LANGUAGES:
                    continue
                if block.marker and block.marker.startswith("not run"):
                    skipped += 1
                    continue
                if block.marker not in (None, "continues"):
                    faults.append("%s: unknown doc-test marker: %s" % (block.where(), block.marker))
                    continue
                if block.marker != "continues" or folder is None:
                    folder = fresh_folder(source, build, root)
                ran += 1
                try:
                    failure = check_block(block, folder, env)
                except subprocess.TimeoutExpired:
                    failure = "did not end within %d s" % TIMEOUT
                if failure:
                    faults.append("%s: %s block: %s" % (block.where(), block.language, failure))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for fault in faults:
        print(fault + "\n")
    print("%d blocks run, %d marked not run, %d faults" % (ran, skipped, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
