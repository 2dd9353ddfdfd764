#!/usr/bin/env python3
"""Checks that the manual pages and the programs' --help agree.

qelt-tool.1 describes, in its COMMANDS section, exactly the commands that
`qelt-tool --help` lists; each command's entry describes every option the help text
gives the command and ends with an example ("Example:" and a command line) that uses
them all. qelt.1 describes, in its
OPTIONS section, exactly the long options that `qelt --help` lists, with an example
for each, and every QELT_ variable the help text mentions.

usage: check_manpages.py QELT QELT_TOOL MAN_FOLDER
"""

import os
import re
import subprocess
import sys


def roff_text(line):
    """The words of a roff line without its escapes and font macros."""
    line = line.replace("\\-", "-").replace("\\(dq", '"').replace("\\e", "\\")
    line = re.sub(r"\\f[BIRP]", "", line)
    line = re.sub(r"^\.(B|I|BI|BR|IR|RB|RI)\s+", "", line)
    return line.replace('"', "")


def sections(page):
    """Section name -> its source lines, for a page in man macros."""
    found = {}
    current = None
    for line in page.splitlines():
        match = re.match(r"\.SH\s+\"?([^\"]+)\"?", line)
        if match:
            current = match.group(1).strip()
            found[current] = []
        elif current:
            found[current].append(line)
    return found


def tagged_entries(lines):
    """The top-level .TP entries of a section: first word of the tag -> the entry's lines.

    Entries nested between .RS and .RE (a command's options) belong to their command.
    """
    entries = {}
    depth = 0
    current = None
    expect_tag = False
    for line in lines:
        if line.startswith(".RS"):
            depth += 1
        elif line.startswith(".RE"):
            depth -= 1
        elif line.startswith(".TP") and depth == 0:
            expect_tag = True
            continue
        elif expect_tag:
            expect_tag = False
            words = roff_text(line).split()
            current = words[0].rstrip(",") if words else ""
            entries[current] = []
            if words and words[0].rstrip(",") == "-h":
                entries["--help"] = entries.pop(current)
                current = "--help"
        if current is not None:
            entries[current].append(line)
    return entries


def example(lines):
    """The command line an entry gives after "Example:", or an empty string."""
    for index, line in enumerate(lines):
        if line.startswith("Example:"):
            rest = line[len("Example:"):].strip()
            if not rest and index + 1 < len(lines):
                rest = lines[index + 1]
            return roff_text(rest)
    return ""


def mentions(text, option):
    """Whether text names option as a word of its own (--force, not --forced)."""
    return re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", text) is not None


def help_text(program):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QELT_NO_POWEROFF="1")
    result = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=30,
                            env=env)
    if result.returncode != 0:
        raise SystemExit(f"{program} --help exited with {result.returncode}: {result.stderr}")
    return result.stdout


def read_page(folder, name):
    with open(os.path.join(folder, name), encoding="utf-8") as page:
        return page.read()


def compare(what, in_help, in_page, faults):
    for name in sorted(in_help - in_page):
        faults.append(f"{what}: --help lists {name}, the page does not")
    for name in sorted(in_page - in_help):
        faults.append(f"{what}: the page describes {name}, --help does not list it")


def command_usages(usage):
    """Command -> its line of `qelt-tool --help` with any continuation lines."""
    found = {}
    current = None
    for line in usage.splitlines():
        match = re.match(r"  ([a-z]+)\b(.*)", line)
        if match:
            current = match.group(1)
            found[current] = match.group(2)
        elif current and line.startswith("   "):
            found[current] += " " + line.strip()
    return found


def check_tool(tool, folder, faults):
    usages = command_usages(help_text(tool))
    if not usages:
        faults.append("qelt-tool --help lists no command")
    page = read_page(folder, "qelt-tool.1")
    entries = tagged_entries(sections(page).get("COMMANDS", []))
    compare("qelt-tool commands", set(usages), set(entries), faults)
    for command in sorted(set(usages) & set(entries)):
        shown = example(entries[command])
        if not shown.startswith(f"qelt-tool {command}"):
            faults.append(f"qelt-tool.1: the command {command} has no example")
        lines = entries[command]
        body = lines[:lines.index("Example:")] if "Example:" in lines else lines
        described = roff_text("\n".join(body))
        for option in sorted(set(re.findall(r"--[a-z][a-z-]*", usages[command]))):
            if not mentions(described, option):
                faults.append(f"qelt-tool.1: {command} does not describe {option}")
            elif not mentions(shown, option):
                faults.append(f"qelt-tool.1: the example of {command} does not show {option}")


def check_program(program, folder, faults):
    usage = help_text(program)
    options = set(re.findall(r"^  (--[a-z][a-z-]*)", usage, re.MULTILINE))
    if not options:
        faults.append("qelt --help lists no option")
    page = read_page(folder, "qelt.1")
    found = sections(page)
    entries = tagged_entries(found.get("OPTIONS", []))
    compare("qelt options", options, set(entries), faults)
    for option, lines in entries.items():
        if not mentions(example(lines), option):
            faults.append(f"qelt.1: the option {option} has no example")
    environment = roff_text("\n".join(found.get("ENVIRONMENT", [])))
    for variable in sorted(set(re.findall(r"\bQELT_[A-Z_]+", usage))):
        if not mentions(environment, variable):
            faults.append(f"qelt.1: ENVIRONMENT does not describe {variable}")


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    program, tool, folder = sys.argv[1:]
    faults = []
    check_tool(tool, folder, faults)
    check_program(program, folder, faults)
    for fault in faults:
        print("FAULT:", fault)
    print("check_manpages:", "FAILED" if faults else "ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
