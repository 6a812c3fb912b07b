#!/usr/bin/env python3
"""Lays out a released installation medium and makes its CD image and zip.

From a content folder (what the medium maker brings: catalogue, driver
package, manuals, companion programs, the port I/O library) and our built
programs:

  OUT/medium/          the medium: the content, the programs (stripped),
                       autorun.inf and SHA256SUMS of every file
  OUT/NAME.iso         ISO 9660 image with Joliet names, labelled
  OUT/NAME.zip         the same files, names UTF-8-flagged
  OUT/SHA256SUMS       checksums of the image and the zip

It stops, before writing an image, on a file of the content that is one of
the project's simulators (whatever its name: every simulator build carries
a marker, see sim/simulator_marker.h), on a file the release writes itself,
and on an error of the medium checker.  ./release calls it; the release
tests call it on content of their own.
"""
import argparse
import hashlib
import os
import shlex
import shutil
import struct
import subprocess
import sys
import zipfile

SIMULATOR_MARKER = b"PRINTER-INSTALL-SIMULATOR"
PROGRAM = "Printer Install.exe"
# Joliet volume labels hold 16 UTF-16 characters; xorriso takes 32 bytes.
LABEL_CHARACTERS = 16
LABEL_BYTES = 32
CHUNK = 1 << 20


class Stop(Exception):
    """The release cannot go on; the message says why."""


def say(text):
    print("release: " + text, flush=True)


def files_under(folder):
    """Relative paths (with "/") of every file below folder, sorted."""
    found = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in files:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return sorted(found)


def folders_under(folder):
    found = []
    for root, dirs, _ in os.walk(folder):
        for name in dirs:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return sorted(found)


def holds_marker(path):
    """True when the file carries the simulators' marker anywhere."""
    overlap = len(SIMULATOR_MARKER) - 1
    tail = b""
    with open(path, "rb") as f:
        while True:
            chunk = f.read(CHUNK)
            if not chunk:
                return False
            if SIMULATOR_MARKER in tail + chunk:
                return True
            tail = chunk[-overlap:]


def simulators_in(folder, allowed=()):
    return [p for p in files_under(folder) if p not in allowed and holds_marker(os.path.join(folder, p))]


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(CHUNK), b""):
            h.update(chunk)
    return h.hexdigest()


def pe_sections(path):
    """Names of a PE file's sections and its COFF symbol count.  Names of
    more than 8 characters (the linker's ".debug_info" among them) stand in
    the COFF string table after the symbols, as "/offset" in the header."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ" or data[struct.unpack_from("<I", data, 0x3C)[0]:][:4] != b"PE\0\0":
        raise Stop(path + " is no Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    _, count, _, symbol_table, symbols, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    strings = symbol_table + 18 * symbols
    first = pe + 24 + optional_size
    names = []
    for i in range(count):
        name = data[first + 40 * i:first + 40 * i + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and symbol_table:
            at = strings + int(name[1:])
            name = data[at:data.index(b"\0", at)].decode("latin-1")
        names.append(name)
    return names, symbols


def first_series(catalogue):
    """The first entry of the catalogue's [PRINTER_SERIES], or None."""
    try:
        raw = open(catalogue, "rb").read()
    except OSError:
        return None
    text = raw[2:].decode("utf-16-le", "replace") if raw[:2] == b"\xff\xfe" else raw.decode("gbk", "replace")
    in_series = False
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            in_series = line.lower() == "[printer_series]"
        elif in_series and line and not line.startswith(";"):
            return line
    return None


def volume_label(label):
    """The label as the image's volume holds it: cut to Joliet's 16
    characters and xorriso's 32 bytes."""
    cut = label
    while len(cut.encode("utf-16-le")) > 2 * LABEL_CHARACTERS or len(cut.encode("utf-8")) > LABEL_BYTES:
        cut = cut[:-1]
    return cut.rstrip()


def write_autorun(medium, label):
    text = "[AutoRun]\r\nopen=\"%s\"\r\nicon=%s,0\r\nlabel=%s\r\n" % (PROGRAM, PROGRAM, label)
    with open(os.path.join(medium, "autorun.inf"), "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def write_sums(folder, paths, into):
    with open(into, "w", encoding="utf-8", newline="\n") as f:
        for p in paths:
            f.write("%s  %s\n" % (sha256(os.path.join(folder, p)), p))


def xorriso_env():
    # xorriso converts names from the locale's character set to Joliet's.
    env = dict(os.environ)
    env["LC_ALL"] = "C.UTF-8"
    return env


def image_paths(iso):
    """Every path of the image's Joliet tree (what Windows reads), with "/"
    and without the leading one; folders end in "/"."""
    run = subprocess.run(["xorriso", "-read_fs", "norock", "-indev", iso, "-find", "/", "-exec", "lsdl"],
                         capture_output=True, env=xorriso_env())
    if run.returncode != 0:
        raise Stop("xorriso cannot list %s: %s" % (iso, run.stderr.decode("utf-8", "replace")))
    paths = []
    for line in run.stdout.decode("utf-8").splitlines():
        fields = shlex.split(line)
        if not fields or fields[-1] == "/":
            continue
        path = fields[-1].lstrip("/")
        paths.append(path + "/" if line.startswith("d") else path)
    return sorted(paths)


def make_image(medium, iso, label):
    if os.path.exists(iso):
        os.remove(iso)
    run = subprocess.run(["xorriso", "-outdev", iso, "-volid", label, "-joliet", "on",
                          "-compliance", "joliet_long_names:joliet_long_paths:joliet_utf16",
                          "-map", medium, "/"], capture_output=True, env=xorriso_env())
    log = run.stderr.decode("utf-8", "replace")
    if run.returncode != 0:
        raise Stop("xorriso failed:\n" + log)
    expected = sorted(files_under(medium) + [d + "/" for d in folders_under(medium)])
    got = image_paths(iso)
    if got != expected:
        missing = sorted(set(expected) - set(got))
        extra = sorted(set(got) - set(expected))
        raise Stop("the image's Joliet names differ from the folder's: missing %s, unexpected %s\n%s"
                   % (missing, extra, log))


def make_zip(medium, path):
    if os.path.exists(path):
        os.remove(path)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, strict_timestamps=False) as z:
        for folder in folders_under(medium):
            z.write(os.path.join(medium, folder), folder + "/")
        for name in files_under(medium):
            # Python flags a name that is not ASCII as UTF-8 (bit 11).
            z.write(os.path.join(medium, name), name)


def same_or_inside(a, b):
    a, b = os.path.realpath(a), os.path.realpath(b)
    return a == b or a.startswith(b + os.sep) or b.startswith(a + os.sep)


def release(args):
    content = args.content
    if not os.path.isdir(content):
        raise Stop("the content folder %s does not exist" % content)
    medium = os.path.join(args.out, "medium")
    if same_or_inside(medium, content):
        raise Stop("the output folder %s overlaps the content folder %s" % (medium, content))

    simulators = simulators_in(content)
    if simulators:
        raise Stop("the content holds one of this project's simulators, which never goes on a released "
                   "medium: " + ", ".join(simulators))
    programs = [os.path.basename(p) for p in args.program + args.simulator]
    ours = {n.lower() for n in programs + ["autorun.inf", "SHA256SUMS"]}
    clashes = [n for n in os.listdir(content) if n.lower() in ours]
    if clashes:
        raise Stop("the content holds %s, which the release writes itself; take it out of the content"
                   % ", ".join(sorted(clashes)))
    if PROGRAM not in programs:
        raise Stop("no %s given" % PROGRAM)

    if os.path.exists(medium):
        shutil.rmtree(medium)
    os.makedirs(args.out, exist_ok=True)
    shutil.copytree(content, medium)
    for program in args.program:
        target = os.path.join(medium, os.path.basename(program))
        subprocess.run([args.strip, "--strip-all", "-o", target, program], check=True)
        sections, symbols = pe_sections(target)
        debug = [s for s in sections if s.startswith(".debug")]
        if debug or symbols:
            raise Stop("%s still has debug sections %s or %d symbols" % (target, debug, symbols))
        say("program: %s (%d bytes, stripped)" % (os.path.basename(program), os.path.getsize(target)))
    if not any(os.path.basename(p) == "PrinterInstallCmd.exe" for p in args.program):
        say("note: no console program PrinterInstallCmd.exe (this tree has no target printer_install_cmd); "
            "the medium goes without it")
    for simulator in args.simulator:
        shutil.copy2(simulator, medium)
        say("DEMO: %s is a simulator; this medium is for tests and demonstrations only" %
            os.path.basename(simulator))

    root = {n.lower(): n for n in os.listdir(medium)}
    notes = []
    if "winio.dll" not in root:
        notes.append("the medium has no port I/O library: add the real winio.dll and winio.sys to the content "
                     "folder; without them the firmware download reports 当前端口无效 (invalid port) on every "
                     "PC whose system folder has none")
    elif "winio.sys" not in root:
        notes.append("winio.dll has no winio.sys next to it: the port I/O library needs its driver file there "
                     "or in the PC's system folder")
    for note in notes:
        say("NOTE: " + note)

    series = first_series(os.path.join(medium, root.get("printerinfor.inf", "PrinterInfor.Inf")))
    label = args.label or series or "Printer Install"
    write_autorun(medium, label)

    # Nothing we added may be a simulator either, but what a demo asked for.
    leftovers = simulators_in(medium, allowed=[os.path.basename(s) for s in args.simulator])
    if leftovers:
        raise Stop("the laid-out medium holds a simulator: " + ", ".join(leftovers))

    say("checking the medium with " + args.checker)
    check = subprocess.run([args.checker, medium])
    if check.returncode == 1:
        raise Stop("the medium checker found errors (above); no image was made")
    if check.returncode != 0:
        raise Stop("the medium checker could not check the medium (exit %d)" % check.returncode)

    write_sums(medium, files_under(medium), os.path.join(medium, "SHA256SUMS"))
    name = args.name + ("-demo" if args.simulator else "")
    iso = os.path.join(args.out, name + ".iso")
    archive = os.path.join(args.out, name + ".zip")
    volume = volume_label(label)
    if volume != label:
        say("note: the volume label is cut to '%s' (the image holds 16 characters); autorun.inf keeps '%s'"
            % (volume, label))
    make_image(medium, iso, volume)
    make_zip(medium, archive)
    write_sums(args.out, [os.path.basename(iso), os.path.basename(archive)], os.path.join(args.out, "SHA256SUMS"))

    say("medium folder: " + medium)
    say("CD image:      %s (%d bytes, label '%s')" % (iso, os.path.getsize(iso), volume))
    say("zip:           %s (%d bytes)" % (archive, os.path.getsize(archive)))
    say("checksums:     %s, %s" % (os.path.join(medium, "SHA256SUMS"), os.path.join(args.out, "SHA256SUMS")))
    for note in notes:
        say("NOTE: " + note)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--content", required=True, help="the maker's content folder")
    parser.add_argument("--out", required=True, help="output folder")
    parser.add_argument("--program", action="append", default=[], help="a program for the medium's root")
    parser.add_argument("--checker", required=True, help="medium-check")
    parser.add_argument("--strip", default="x86_64-w64-mingw32-strip")
    parser.add_argument("--label", help="autorun and volume label (default: the catalogue's first series)")
    parser.add_argument("--name", default="PrinterInstall", help="file name of the image and the zip")
    parser.add_argument("--simulator", action="append", default=[],
                        help="DEMO ONLY: a simulator file for the medium's root (tests, demonstrations)")
    args = parser.parse_args()
    try:
        release(args)
    except Stop as stop:
        print("release: error: %s" % stop, file=sys.stderr, flush=True)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
