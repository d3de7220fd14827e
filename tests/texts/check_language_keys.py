#!/usr/bin/env python3
"""Every language key the program reads must be in every language section
that the shipped settings file lists in [Language].

The keys are found in the program's sources. Every call of a reader of the
language section (GetText, a Profile... call given LanguageSection(), and
every function that hands a key on to one of them) either names its key as
a string literal (or as `cond ? "a" : "b"`), or carries a marker comment on
its line or in the comment lines right above it:

  // language keys: Trigger Dyn prop{0..4} prop{0..4}.no
  // language key from the callers of ShowStatusText, argument 0
  // language keys: @menus            every menu caption the [CMD] section asks for
  // language keys: @dialog-buttons   the captions of the owner-drawn buttons
                                      of res/dialogs.rc (the head excepted)
  // language keys read only where present   (a list such as the font faces,
                                      read key by key while the keys are there)

A reader call that has neither fails the check, so that no key is missed
without notice. A key missing from a section fails it with the key, the
section and the place that reads it.

usage: check_language_keys.py SOURCE_DIR [--expect FILE]
With --expect the tree is a sample of offenders: the check passes only when
it fails and its report holds every line of FILE.
"""
import os
import re
import sys

PROGRAM_FOLDERS = ['app', 'base', 'braille', 'camera', 'device', 'document', 'ui']
SETTINGS = os.path.join('res', 'RelivoX.ini')
DIALOGS = os.path.join('res', 'dialogs.rc')
PROFILE_READERS = ['ProfileGetString', 'ProfileGetInt', 'ProfileGetNumber']
# Words that may stand before a call; any other word before a name makes it
# a declaration or definition (a return type).
CALL_PREFIXES = {'return', 'else', 'case', 'do', 'throw'}
MARKER_KEYS = re.compile(r'language keys?:\s*(.*)')
MARKER_FORWARD = re.compile(r'language key from the callers of (\w+), argument (\d+)')
MARKER_PRESENT = re.compile(r'language keys? read only where present')


def decode_c_string(body):
    """The bytes of a C string literal's body, as Windows-1252 text."""
    out = bytearray()
    i = 0
    while i < len(body):
        c = body[i]
        if c != '\\':
            out += c.encode('cp1252', 'replace')
            i += 1
            continue
        n = body[i + 1] if i + 1 < len(body) else ''
        if n == 'x':
            m = re.match(r'[0-9a-fA-F]+', body[i + 2:])
            out.append(int(m.group(0), 16) & 0xFF)
            i += 2 + len(m.group(0))
        elif n in '01234567':
            m = re.match(r'[0-7]{1,3}', body[i + 1:])
            out.append(int(m.group(0), 8) & 0xFF)
            i += 1 + len(m.group(0))
        else:
            out += {'n': b'\n', 't': b'\t', 'r': b'\r', '0': b'\0'}.get(n, n.encode('cp1252', 'replace'))
            i += 2
    return out.decode('cp1252', 'replace')


def blank_comments(text):
    """The text with comments replaced by spaces (lines kept), strings kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def call_arguments(code, open_paren):
    """The argument texts of the call whose '(' is at open_paren."""
    args, depth, start, i = [], 0, open_paren + 1, open_paren
    while i < len(code):
        c = code[i]
        if c in '"\'':
            j = i + 1
            while j < len(code) and code[j] != c:
                j += 2 if code[j] == '\\' else 1
            i = j + 1
            continue
        if c in '([{':
            depth += 1
        elif c in ')]}':
            depth -= 1
            if depth == 0:
                args.append(code[start:i])
                return args
        elif c == ',' and depth == 1:
            args.append(code[start:i])
            start = i + 1
        i += 1
    return args


LITERAL = r'(?:"(?:[^"\\]|\\.)*"\s*)+'


def literal_keys(arg):
    """The keys of an argument made of literals only, or None."""
    arg = arg.strip()
    choice = re.fullmatch(r'[^?"]*\?\s*(' + LITERAL + r')\s*:\s*(' + LITERAL + r')', arg, re.S)
    parts = [choice.group(1), choice.group(2)] if choice else [arg]
    keys = []
    for part in parts:
        if not re.fullmatch(LITERAL, part.strip() + ' ', re.S):
            return None
        keys.append(''.join(decode_c_string(b) for b in re.findall(r'"((?:[^"\\]|\\.)*)"', part)))
    return keys


def expand(item):
    """prop{0..4}.no -> prop0.no .. prop4.no (zero-padded like the first bound)."""
    m = re.search(r'\{(\d+)\.\.(\d+)\}', item)
    if not m:
        return [item]
    width = len(m.group(1))
    out = []
    for v in range(int(m.group(1)), int(m.group(2)) + 1):
        out += expand(item[:m.start()] + str(v).zfill(width) + item[m.end():])
    return out


class Source:
    def __init__(self, root, path):
        self.path = path
        raw = open(os.path.join(root, path), encoding='cp1252', errors='replace').read()
        self.lines = raw.split('\n')
        self.code = blank_comments(raw)

    def line_of(self, offset):
        return self.code.count('\n', 0, offset) + 1

    def markers(self, line):
        """Marker texts of a line (1-based) and of the comment lines right above it."""
        found = []
        text = self.lines[line - 1]
        if '//' in text:
            found.append(text.split('//', 1)[1])
        k = line - 2
        while k >= 0 and self.lines[k].strip().startswith('//'):
            found.append(self.lines[k].strip()[2:])
            k -= 1
        return found


def is_declaration(code, start):
    before = code[code.rfind('\n', 0, start) + 1:start]
    before = re.sub(r'(\w+)?::\s*$', '', before).rstrip()
    m = re.search(r'(\w+)\s*[*&]?$', before)
    return bool(m) and m.group(1) not in CALL_PREFIXES


def ini_sections(path):
    sections, current = {}, None
    for line in open(path, encoding='cp1252').read().splitlines():
        line = line.strip()
        if not line or line.startswith(';'):
            continue
        if line.startswith('[') and line.endswith(']'):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif current is not None and '=' in line:
            key, value = line.split('=', 1)
            current.setdefault(key.strip().lower(), value)
    return sections


def menu_keys(sections):
    keys = set()
    for key in sections.get('cmd', {}):
        m = re.fullmatch(r'menu(\d)-(\d)', key)
        if m:
            keys.add('Menu%s' % m.group(1))
            keys.add('Menu%s-%s' % (m.group(1), m.group(2)))
    return sorted(keys)


def dialog_button_keys(root):
    keys = []
    path = os.path.join(root, DIALOGS)
    for line in open(path, encoding='cp1252').read().splitlines():
        m = re.match(r'\s*CONTROL\s+"((?:[^"\\]|\\.)*)"\s*,\s*(\w+)\s*,\s*"Button"\s*,\s*[^,]*BS_OWNERDRAW', line)
        if m and m.group(2) != 'IDC_HEAD' and m.group(1):
            keys.append(decode_c_string(m.group(1)))
    return keys


def scan(root):
    sources = []
    for folder in PROGRAM_FOLDERS:
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if name.endswith(('.cpp', '.h')):
                    sources.append(Source(root, os.path.relpath(os.path.join(base, name), root)))
    sections = ini_sections(os.path.join(root, SETTINGS))
    readers = {'GetText': {0}}
    while True:
        keys, problems = [], []
        known = sum(len(v) for v in readers.values())
        names = '|'.join(sorted(set(readers) | set(PROFILE_READERS)))
        for src in sources:
            for m in re.finditer(r'\b(' + names + r')\s*\(', src.code):
                name, at = m.group(1), m.start(1)
                if is_declaration(src.code, at):
                    continue
                args = call_arguments(src.code, m.end() - 1)
                if name in PROFILE_READERS:
                    if not any('LanguageSection()' in a for a in args[1:]):
                        continue
                    indices = {0}
                else:
                    indices = readers[name]
                line = src.line_of(at)
                where = '%s:%d' % (src.path.replace(os.sep, '/'), line)
                unseen = False
                for index in sorted(indices):
                    found = literal_keys(args[index]) if index < len(args) else None
                    if found is None:
                        unseen = True
                    else:
                        keys += [(k, where) for k in found]
                if not unseen:
                    continue
                marked = False
                for text in src.markers(line):
                    fw = MARKER_FORWARD.search(text)
                    if fw:
                        readers.setdefault(fw.group(1), set()).add(int(fw.group(2)))
                        marked = True
                        continue
                    if MARKER_PRESENT.search(text):
                        marked = True
                        continue
                    mk = MARKER_KEYS.search(text)
                    if not mk:
                        continue
                    marked = True
                    for item in mk.group(1).split():
                        if item == '@menus':
                            keys += [(k, where) for k in menu_keys(sections)]
                        elif item == '@dialog-buttons':
                            keys += [(k, where) for k in dialog_button_keys(root)]
                        else:
                            keys += [(k, where) for k in expand(item)]
                if not marked:
                    problems.append('%s: %s reads a language key the check cannot see: name it in a comment '
                                    '"// language keys: ..." (see tests/texts/check_language_keys.py)' % (where, name))
        if sum(len(v) for v in readers.values()) == known:
            break
    languages = list(sections.get('language', {}).values())
    if not languages:
        problems.append('%s: no language is listed in [Language]' % SETTINGS)
    for code in languages:
        section = sections.get(code.lower())
        if section is None:
            problems.append('%s: the language section [%s] listed in [Language] is missing' % (SETTINGS, code))
            continue
        keys.append(('Lng', 'ui/menus.cpp (the name of every listed language)'))
        reported = set()
        for key, where in keys:
            if key.lower() not in section and key.lower() not in reported:
                reported.add(key.lower())
                problems.append('%s: [%s] lacks "%s", read at %s' % (SETTINGS, code, key, where))
    return problems, len({k.lower() for k, _ in keys})


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    root, expect = args[0], None
    if '--expect' in args:
        expect = args[args.index('--expect') + 1]
    problems, count = scan(root)
    for p in problems:
        print(p)
    if expect is None:
        if problems:
            print('language keys: %d problems' % len(problems))
            return 1
        print('language keys: all %d keys are in every language section' % count)
        return 0
    wanted = [l for l in open(expect, encoding='utf-8').read().splitlines() if l.strip()]
    missed = [w for w in wanted if not any(w in p for p in problems)]
    for w in missed:
        print('NOT REPORTED: ' + w)
    return 0 if problems and not missed else 1


if __name__ == '__main__':
    sys.exit(main())
