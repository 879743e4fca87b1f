#!/usr/bin/env python3
"""Prints a UTF-8 text as a C++ string literal of its code page 932 bytes.

Used to write the Shift-JIS texts of src/driver/sjis_text.h; the UTF-8 text
stays beside each literal as a comment, and a unit test checks the bytes.
Every byte of a two-byte character is escaped, so 表 reads as \\x95\\x5C.
Usage: scripts/sjis-literal.py 'text with \\n escapes'
"""
import sys

text = sys.argv[1].encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
out, escaped = [], False
for ch in text:
    raw = ch.encode("cp932")
    if len(raw) > 1 or raw[0] >= 0x80:
        out.append("".join("\\x%02X" % b for b in raw))
        escaped = True
        continue
    if escaped and ch in "0123456789abcdefABCDEF":
        out.append('" "')  # a hex digit would extend the escape
    escaped = False
    out.append({"\n": "\\n", "\t": "\\t", '"': '\\"', "\\": "\\\\"}.get(ch, ch))
print('"' + "".join(out) + '"')
