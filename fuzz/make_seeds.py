#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora (corpus/<fuzzer>/seed-*) in the input form that
fuzz_input.h reads. Run it again after changing a seed; regression inputs are kept beside the
seeds as regression-* and are not written here.

Input form: a byte; a compact number (a byte below 255, or 255 and a little-endian int32);
a text (a length byte, 255 adding a second length byte, then the bytes).
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def num(value):
    if 0 <= value < 255:
        return bytes([value])
    return b"\xff" + struct.pack("<i", value)


def text(value):
    if isinstance(value, str):
        value = value.encode("latin-1")
    if len(value) < 255:
        return bytes([len(value)]) + value
    assert len(value) <= 510
    return bytes([255, len(value) - 255]) + value


def write(fuzzer, label, data):
    folder = os.path.join(HERE, "corpus", fuzzer)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + label), "wb") as f:
        f.write(data)


def text_helper_seeds():
    cases = {
        "prt-path": (3, "C:\\exp\\run1.prt", "_ordered"),
        "slash-path": (1, "/data/logs/run2.log", "_MSEC"),
        "dot-in-folder": (1, "C:\\exp.old\\run1", "_min500"),
        "only-extension": (3, ".prt", ".prt"),
        "empty-path": (0, "", "_ordered"),
        "long-extension": (1, "C:\\exp\\run1.jpeg", "_plus3"),
        "colour": (0, "FFFFFF", "3366CC"),
        "ends-with-separator": (2, "C:\\logs\\", "-"),
        "nul-inside": (5, "C:\\a\x00b.log", "_x\x00y"),
        "8-bit": (7, "C:\\\xe9t\xe9\\r\xfcn.log", "_\xff"),
    }
    for label, (flags, path, suffix) in cases.items():
        write("text_helpers", label, bytes([flags]) + text(path) + suffix.encode("latin-1"))


def condition_order_seeds():
    cases = {
        "permutation": (3, "2,0,1"),
        "spaces": (3, " 2 , 0 ,1 "),
        "empty-tokens": (3, ",,2,,0,1,"),
        "too-few": (3, "1"),
        "too-many": (3, "0,1,2,3,4"),
        "not-a-number": (3, "x,1,2"),
        "fraction": (3, "2.9"),
        "negative": (3, "-1"),
        "no-commas": (3, "2 1 0"),
        "huge": (2, "99999999999,-99999999999"),
        "default": (5, "1,2,3,4"),
        "empty-order": (0, "1,2"),
    }
    for label, (n, answer) in cases.items():
        write("condition_order", label, bytes([n + 8]) + answer.encode("latin-1"))


def condition(name, colour, intervals):
    data = text(name) + num(colour) + bytes([len(intervals)])
    for start, end in intervals:
        data += num(start) + num(end)
    return data


def protocol(conditions, file_name="C:\\exp\\run1.prt", title="run1", resolution=2,
             get_result=1):
    data = num(get_result) + text(file_name) + text(title) + num(resolution)
    data += bytes([len(conditions)])
    for c in conditions:
        data += condition(*c)
    return data


def execute(label, runs, proto, answers):
    write("execute", label, bytes([runs - 1]) + proto + answers)


def execute_seeds():
    three = [("Rest", 0x3F00C355, [(200, 900), (100, 300)]),
             ("Faces", 0x3F0186AA, [(1234, 2232), (5000, 6000), (7000, 7500)]),
             ("Houses", 0x3F0249FF, [])]
    fourteen = [("C%d" % k, 0x3F000000 + k, [(k * 1000, k * 1000 + 5)] * (k % 3))
                for k in range(14)]
    execute("shift-subtract", 1, protocol(three), num(2) + num(500) + num(1))
    execute("shift-add-volumes", 1, protocol(three, resolution=1), num(2) + num(3) + num(0))
    execute("shift-cancelled", 1, protocol(three), num(2) + num(-1))
    execute("shift-past-largest-time", 1,
            protocol([("Late", 1, [(2147483000, 2147483600)])]), num(2) + num(3000000) + num(0))
    execute("reorder", 1, protocol(three), num(3) + num(1) + text("2,0,1"))
    execute("reorder-cancelled", 1, protocol(three), num(3) + num(0) + text(""))
    execute("reorder-missing-index", 1, protocol(three), num(3) + num(1) + text("1,2,3,4"))
    execute("reorder-no-number", 1, protocol(three), num(3) + num(1) + text(",,,"))
    execute("reorder-empty-protocol", 1, protocol([]), num(3) + num(1) + text("1,2,3,4"))
    execute("preset-type-1", 1, protocol(fourteen), num(4) + num(1))
    execute("preset-type-6", 1, protocol(fourteen + fourteen[:2]), num(4) + num(6))
    execute("preset-no-type", 1, protocol(three), num(4) + num(0))
    execute("preset-type-8", 1, protocol(three), num(4) + num(8))
    execute("no-protocol", 3, protocol(three, get_result=0), num(2) + num(3) + num(4))
    execute("protocol-result-2", 2, protocol(three, get_result=2),
            num(2) + num(10) + num(1) + num(3))
    execute("menu-outside", 2, protocol(three), num(0) + num(5))
    def import_answers(path, layout, picture, log, tr=2000, mode=1, vmr=1, chosen=1):
        answers = num(1) + bytes([vmr])
        if not vmr:
            return answers
        answers += num(chosen) + text(path)
        if chosen != 1:
            return answers
        answers += num(layout) + num(picture)
        answers += (bytes([1]) + long_text(log)) if log is not None else bytes([0])
        return answers + num(tr) + num(mode)

    plain = log_header(False) + PLAIN_EVENTS
    subject = log_header(True) + SUBJECT_EVENTS
    execute("import-time-to-next", 1, protocol(three),
            import_answers("C:\\logs\\run1.log", 1, 0, plain))
    execute("import-durations-picture-only", 1, protocol(three),
            import_answers("/data/logs/run2.log", 1, 1, plain, mode=2))
    execute("import-subject-layout", 1, protocol(three),
            import_answers("C:\\logs\\s01.log", 2, 0, subject))
    execute("import-wrong-layout", 1, protocol(three),
            import_answers("C:\\logs\\s01.log", 1, 0, subject))
    execute("import-no-volume", 1, protocol(three), import_answers("", 1, 0, "", vmr=0))
    execute("import-cancelled", 1, protocol(three),
            import_answers("C:\\logs\\run1.log", 1, 0, "", chosen=0))
    execute("import-cannot-open", 1, protocol(three),
            import_answers("C:\\logs\\gone.log", 1, 0, None))
    execute("import-mode-outside", 1, protocol(three),
            import_answers("C:\\logs\\run1.log", 1, 0, plain, mode=3))
    execute("import-path-too-long", 1, protocol(three),
            import_answers("C:\\" + "p" * 252 + ".log", 1, 0, plain))
    execute("import-path-fills-buffer", 1, protocol(three),
            import_answers("C:\\" + "q" * 300, 1, 0, plain))
    execute("import-then-reorder-then-shift", 3, protocol(three),
            import_answers("C:\\logs\\run1.log", 1, 0, plain) +
            num(3) + num(1) + text("3,2,1,0,4") + num(2) + num(100) + num(0))
    long_texts = [("N" * 300, 5, [(1, 2)]), ("M" * 256, 6, [(3, 4)]), ("Short", 7, [])]
    execute("texts-fill-their-fields", 2,
            protocol(long_texts, file_name="F" * 250 + ".prt" + "G" * 20, title="T" * 400),
            num(3) + num(1) + text("2,1,0") + num(2) + num(7) + num(0))
    execute("name-too-long-for-suffix", 1,
            protocol(three, file_name="C:\\" + "d" * 250 + ".prt"),
            num(3) + num(1) + text("0,1,2"))
    execute("reorder-then-shift", 3, protocol(three),
            num(3) + num(1) + text("1,1,0") + num(2) + num(100) + num(1) + num(4) + num(3))


def long_text(value):
    if isinstance(value, str):
        value = value.encode("latin-1")
    assert len(value) < 65536
    return struct.pack("<H", len(value)) + value


def log_header(subject):
    columns = "Subject\tTrial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n" \
        if subject else "Trial\tEvent Type\tCode\tTime\tTTime\tUncertainty\tDuration\n"
    return "Scenario - run1\nLogfile written - 01/02/2024 10:00:00\n\n" + columns + "\n"


PLAIN_EVENTS = ("1\tPicture\tFaces\t12345\t0\t1\t15000\n"
                "1\tResponse\t1\t18000\t5655\t1\n"
                "2\tSound\tbeep\t22345\t0\t1\t\n"
                "2\tVideo\tclip 1\t30000\t0\t1\t5000\n"
                "3\tPicture\tHouses\t40000\t0\t1\t15000\n"
                "3\tPort Input\t4\t41000\t0\t1\n"
                "3\tPicture\tFaces\t50000\t0\t1\t15000\n"
                "\n\n"
                "Event Type\tCode\tType\tResponse\n")
SUBJECT_EVENTS = "".join("s01\t" + line + "\n" for line in PLAIN_EVENTS.split("\n")[:7]) + \
    "\n\n"


def log_reader(label, flags, text, chunk=0, fail_at=0, changed=""):
    write("log_reader", label,
          bytes([flags, chunk]) + num(fail_at) + long_text(text) + changed.encode("latin-1"))


def log_reader_seeds():
    plain = log_header(False) + PLAIN_EVENTS
    subject = log_header(True) + SUBJECT_EVENTS
    log_reader("plain-all", 0, plain, chunk=7)
    log_reader("plain-picture", 2, plain, chunk=0)
    log_reader("subject-all", 1, subject, chunk=3)
    log_reader("subject-picture", 3, subject, chunk=255)
    log_reader("blank-separated", 0, log_header(False) +
               "1 Picture a 10 0 0 5\n2 Picture b 20 0 0 5\n2 Sound c 30 0 0\n", chunk=1)
    log_reader("crlf", 0, plain.replace("\n", "\r\n"), chunk=2)
    log_reader("no-final-break", 0, log_header(False) + "1\tPicture\tx\t10\t0\t1\t5")
    log_reader("repeat-in-header", 0, "a\nb\n\n\nc\n" + PLAIN_EVENTS)
    log_reader("empty", 0, "")
    log_reader("nul-and-8-bit", 0, log_header(False) +
               "1\tPicture\tA\x00x\t10\t0\t1\t5\n2\tPicture\tA\x00y\t20\t0\t1\t5\n"
               "3\tPicture\t\xe9t\xe9\xff\t30\t0\t1\t5\n", chunk=4)
    log_reader("long-line", 0, log_header(False) + "1\tPicture\t" + "c" * 400 +
               "\t10\t0\t1\t5\n" + "x" * 300 + "\n")
    log_reader("huge-numbers", 0, log_header(False) +
               "2147483647\tPicture\tbig\t1e400\t0\t1\t-1e400\n"
               "-2147483648\tPicture\tsmall\t-99999999999\t0\t1\tnan\n")
    log_reader("changed-grows", 4, plain, chunk=16,
               changed=log_header(False) + PLAIN_EVENTS.replace("Faces", "Other") * 2)
    log_reader("changed-shrinks", 4, plain, changed=log_header(False) + "1\tPicture\tx\t1\t0\t1\t5\n")
    log_reader("read-fails", 8, plain, chunk=9, fail_at=200)
    log_reader("rewind-fails", 12, plain, fail_at=1)


VALID_PROTOCOL = """kwhost-protocol 1
title "faces_houses"
time-resolution 2
colour1 0x000000
colour2 0xFFFFFF
colour3 0xFFFFFF
thickness3 2
colour4 0x3F0007D0
thickness4 2
conditions 3

condition "Rest"
colour 0x3FCCCCCC
intervals 3
0 19998
50000 69998
100000 119998

condition "Faces \\"quoted\\" \\t\\x7F\xe9"
colour 0x3FFF3399
intervals 2
20000 34998
-70000 2147483647

# a comment
condition ""
colour 0xFFFFFFFF
intervals 0
"""


def protocol_file_seeds():
    def parse(label, text):
        write("protocol_file", label, b"\x01" + text.encode("latin-1"))

    parse("valid", VALID_PROTOCOL)
    parse("crlf", VALID_PROTOCOL.replace("\n", "\r\n"))
    parse("empty", "")
    parse("wrong-magic", VALID_PROTOCOL.replace("kwhost-protocol 1", "kwhost-protocol 2"))
    parse("ends-early", VALID_PROTOCOL[:VALID_PROTOCOL.index("-70000")])
    parse("too-many-conditions", VALID_PROTOCOL.replace("conditions 3", "conditions 2147483647"))
    parse("negative-count", VALID_PROTOCOL.replace("intervals 3", "intervals -1"))
    parse("number-too-big", VALID_PROTOCOL.replace("19998", "2147483648"))
    parse("bad-colour", VALID_PROTOCOL.replace("0x3FCCCCCC", "0x13FCCCCCC"))
    parse("nul-escape", VALID_PROTOCOL.replace('"Rest"', '"Re\\x00st"'))
    parse("nul-byte", VALID_PROTOCOL.replace('"Rest"', '"Re\x00st"'))
    parse("title-too-long", VALID_PROTOCOL.replace('"faces_houses"', '"' + "t" * 301 + '"'))
    parse("name-too-long", VALID_PROTOCOL.replace('"Rest"', '"' + "n" * 256 + '"'))
    parse("unknown-escape", VALID_PROTOCOL.replace('"Rest"', '"R\\qest"'))
    parse("trailing-text", VALID_PROTOCOL + "surplus\n")
    write("protocol_file", "written",
          b"\x00" + text("run1") + num(2) + num(0) + num(0xFFFFFF) + num(0xFFFFFF) + num(2) +
          num(0x3F0007D0) + num(2) + bytes([2]) +
          text("Rest\n\"\\") + num(0x3F333300) + bytes([2]) + num(0) + num(9998) + num(-5) +
          num(-1) + text("\x7f\xff") + num(-1) + bytes([0]))


def nifti1_header(dim, pixdim4=2.0, units=10, datatype=16, bitpix=32, vox_offset=352.0,
                  magic=b"n+1\0", endian="<"):
    h = bytearray(348)
    struct.pack_into(endian + "i", h, 0, 348)
    struct.pack_into(endian + "8h", h, 40, *dim)
    struct.pack_into(endian + "hh", h, 70, datatype, bitpix)
    struct.pack_into(endian + "8f", h, 76, 1.0, 3.0, 3.0, 3.0, pixdim4, 0, 0, 0)
    struct.pack_into(endian + "f", h, 108, vox_offset)
    h[123] = units
    h[344:348] = magic
    return bytes(h)


def nifti2_header(dim, pixdim4=0.7234, units=10, datatype=4, bitpix=16, vox_offset=544,
                  endian="<"):
    h = bytearray(540)
    struct.pack_into(endian + "i", h, 0, 540)
    h[4:12] = b"n+2\0\r\n\x1a\n"
    struct.pack_into(endian + "hh", h, 12, datatype, bitpix)
    struct.pack_into(endian + "8q", h, 16, *dim)
    struct.pack_into(endian + "8d", h, 104, 1.0, 3.0, 3.0, 3.0, pixdim4, 0, 0, 0)
    struct.pack_into(endian + "q", h, 168, vox_offset)
    struct.pack_into(endian + "i", h, 500, units)
    return bytes(h)


def bold_scan_seeds():
    run = (4, 4, 4, 2, 10, 1, 1, 1)
    headers = {
        "n1-seconds": nifti1_header(run),
        "n1-ms": nifti1_header(run, 2000.0, units=18),
        "n1-big-endian": nifti1_header(run, endian=">"),
        "n1-three-d": nifti1_header((3, 4, 4, 2, 1, 1, 1, 1)),
        "n1-zero-volumes": nifti1_header((4, 4, 4, 2, 0, 1, 1, 1)),
        "n1-hz": nifti1_header(run, units=34),
        "n1-bad-datatype": nifti1_header(run, datatype=999),
        "n1-separate-img": nifti1_header(run, magic=b"ni1\0"),
        "n1-short": nifti1_header(run)[:200],
        "n2-seconds": nifti2_header(run),
        "n2-big-endian": nifti2_header(run, endian=">"),
        "n2-overflow": nifti2_header((4, 1 << 40, 1 << 40, 2, 10, 1, 1, 1)),
        "n2-usec": nifti2_header(run, 2500000.0, units=26),
    }
    for label, data in headers.items():
        write("bold_scan", "header-" + label, b"\x00" + data)
    sidecars = {
        "tr": '{"RepetitionTime": 2.0, "TaskName": "x"}',
        "dummies": '{"NumberOfVolumesDiscardedByScanner": 4, "NumberOfVolumesDiscardedByUser": 0}',
        "not-json": '{\n  "RepetitionTime": 2.0,\n  "TaskName": x\n}\n',
        "wrong-type": '{"RepetitionTime": "2"}',
        "negative": '{"NumberOfVolumesDiscardedByUser": -1}',
        "huge": '{"RepetitionTime": 1e999}',
        "array": "[1, 2, 3]",
    }
    for label, data in sidecars.items():
        write("bold_scan", "sidecar-" + label, b"\x01" + data.encode("latin-1"))

    def rule(label, triggers, volumes, scanner=None, user=None, skip=None):
        def opt(value):
            return bytes([0]) + num(0) if value is None else bytes([1]) + num(value)
        write("bold_scan", "rule-" + label,
              b"\x02" + num(triggers) + num(volumes) + bytes([0, 0, 0]) + opt(scanner) +
              opt(user) + opt(skip) + num(1000) + num(20000) + text(struct.pack("<d", 2000.0)))

    rule("equal", 240, 240)
    rule("four-dummies", 240, 236, scanner=4)
    rule("four-more-volumes", 236, 240)
    rule("first-pulse", 1, 236, scanner=4, skip=4)
    rule("skip-beyond", 240, 236, skip=240)


def psychopy_seeds():
    """From the data file tests/kwhost/psychopy/make_oddities.py writes, and small variants."""
    import subprocess
    import tempfile
    script = os.path.join(HERE, "..", "tests", "kwhost", "psychopy", "make_oddities.py")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "odd.csv")
        subprocess.run([sys.executable, script, path], check=True)
        with open(path, "rb") as f:
            odd = f.read()
    lf = odd.replace(b"\r\n", b"\n")
    cases = {
        "oddities": (20, "{condition}_{load}", "", odd),
        "oddities-lf-named": (20, "{note}", "scan_key:5", lf),
        "store-all-keys": (20, "x{{", "", b"psychopyVersion,k.started,k.keys,k.rt,s.started,\n"
                           b"2024.2.3,1.0,\"['5', '5', '5']\",\"[0.5, 2.5, 4.5]\",1.6,\n"),
        "cut-in-a-quote": (1, "{a}", "k:", lf[: lf.index(b"two") + 2]),
        "semicolons": (1, "", "", lf.replace(b",", b";")),
        "old-file": (1, "1.2e-05", "", b"expName,key.keys,key.rt,frameRate\nx,5,0.5,60\n"),
        "text-log": (1, "", "", b"0.9009 \tWARNING \tWe strongly recommend\n"),
    }
    for label, (tr, template, choice, data) in cases.items():
        write("psychopy", label, bytes([tr]) + text(template) + text(choice) + data)


if __name__ == "__main__":
    protocol_file_seeds()
    log_reader_seeds()
    text_helper_seeds()
    condition_order_seeds()
    execute_seeds()
    bold_scan_seeds()
    psychopy_seeds()
