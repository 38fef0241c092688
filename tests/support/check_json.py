#!/usr/bin/env python3
"""Reads md_dump's JSON with Python's own parser, strictly.

check_json.py messages FILE
    FILE holds, per message, three lines: its JSON object, its text form, and
    the text fields it has in walk order ("t<width>:<hex>" for text(N),
    "z<width>:<hex>" for ztext(N), the raw bytes; "-" when none). Each JSON
    object must parse, give back every text field's exact bytes, and rebuild
    the text form byte for byte. Prints the number of messages checked.

check_json.py log FILE
    Every line of a JSON log must be an object with an RFC 3339 "time", a
    "level" and an "event". Prints one line per record: the event, then the
    values the tests look at.
"""

import json
import re
import sys

HEADER_FIELDS = 11
TIME = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{9}[+-]\d\d:\d\d\Z")


def strict_object(pairs):
    keys = [key for key, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError(f"duplicate keys in {keys}")
    return dict(pairs)


def refuse_constant(name):
    raise ValueError(f"{name} is not JSON")


def parse(line):
    return json.loads(line, object_pairs_hook=strict_object, parse_constant=refuse_constant)


def raw_bytes(text):
    """The bytes a JSON string stands for: U+F780 to U+F7FF are single bytes."""
    return b"".join(
        bytes([ord(c) - 0xF700]) if 0xF780 <= ord(c) <= 0xF7FF else c.encode() for c in text
    )


def text_form(value, leaves):
    """The text form of one value; `leaves` are the message's text fields, in order."""
    if isinstance(value, bool) or value is None or isinstance(value, float):
        raise ValueError(f"unexpected value {value!r}")
    if isinstance(value, int):
        return str(value).encode()
    if isinstance(value, str):
        kind, raw = leaves.pop(0)
        got = raw_bytes(value)
        if kind[0] == "t":
            if got.ljust(int(kind[1:]), b"\0") != raw:
                raise ValueError(f"text {value!r} is not {raw!r}")
            return bytes(b if 0x20 <= b <= 0x80 else 0x2E for b in raw)
        if got != raw.split(b"\0")[0]:
            raise ValueError(f"ztext {value!r} is not {raw!r}")
        return bytes(b if b >= 0x20 else 0x2E for b in got)
    if isinstance(value, list):
        return b"[" + b",".join(text_form(element, leaves) for element in value) + b"]"
    if value.keys() == {"value", "name"}:
        name = value["name"] if value["name"] is not None else value["value"]
        return f"{value['value']}({name})".encode()
    if value.keys() == {"ns", "utc"}:
        return f"{value['ns']}({value['utc']})".encode()
    if value.keys() == {"count", "elements"}:
        return b"|count=" + text_form(value["count"], leaves) + text_form(value["elements"], leaves)
    return b"".join(b"|" + name.encode() + b"=" + text_form(v, leaves) for name, v in value.items())


def check_messages(path):
    lines = open(path, "rb").read().split(b"\n")
    checked = 0
    for at in range(0, len(lines) - 2, 3):
        record, text, leaf_text = lines[at : at + 3]
        fields = list(parse(record).items())
        if fields[0] != ("event", "message"):
            raise ValueError(f"not a message record: {record!r}")
        leaves = [] if leaf_text == b"-" else leaf_text.decode().split(" ")
        leaves = [(leaf.split(":")[0], bytes.fromhex(leaf.split(":")[1])) for leaf in leaves]
        header = fields[1 : 1 + HEADER_FIELDS]
        rebuilt = b"".join(name.encode() + b"=" + text_form(v, leaves) + b"|" for name, v in header)
        rebuilt += text_form(dict(fields[1 + HEADER_FIELDS :]), leaves)
        if rebuilt != text or leaves:
            raise ValueError(f"JSON {record!r}\n gives {rebuilt!r}\n not   {text!r}")
        checked += 1
    print(checked)


def check_log(path):
    for line in open(path, "rb"):
        record = parse(line)
        if not TIME.match(record.pop("time")) or record.pop("level") not in (
            "info",
            "warning",
            "error",
        ):
            raise ValueError(f"bad time or level: {line!r}")
        event = record.pop("event")
        if event == "message":
            shown = [record["MsgType"]["name"] or record["MsgType"]["value"], record["seqNum"]]
            shown += ["full" if len(record) > HEADER_FIELDS else "header"]
        elif event == "start":
            shown = record["arguments"]
        elif event == "summary":
            shown = [record["errors"], record["received"], record["lost"], record["counts"]]
        else:
            shown = [v for k, v in record.items() if k not in ("text", "header", "arguments")]
        print(event, *(json.dumps(v, separators=(",", ":")) for v in shown))


if __name__ == "__main__":
    {"messages": check_messages, "log": check_log}[sys.argv[1]](sys.argv[2])
